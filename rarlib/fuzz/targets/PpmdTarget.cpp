// PPMd alone: a PPM block header, then commands until the end of the file, an error, or an LZ block.
// A new block header after escape 0 that is a PPM one again continues with the same model. Filter
// records inside the block are read the way the LZ decoder will read them.
#include "FuzzTargets.h"

#include "filters/FilterRecord.h"
#include "ppmd/PpmdCommands.h"
#include "ppmd/PpmdModel.h"

#include <vector>

namespace rarfuzz {
namespace {

using namespace rarlib::ppmd;

// Model memory is bounded so that each input stays cheap; larger requests take the NoMemory path.
constexpr uint32_t kHeapLimitMB = 16;
constexpr unsigned kMaxCommands = 1u << 18;
constexpr unsigned kMaxBlocks = 64;

// The reader as the LZ side will hand it over: bytes past the end read as -1.
class PeekableReader {
public:
    explicit PeekableReader(std::span<const uint8_t> data) : data_(data) {}
    int getByte() { return pos_ < data_.size() ? data_[pos_++] : -1; }
    int peek() const { return pos_ < data_.size() ? data_[pos_] : -1; }

private:
    std::span<const uint8_t> data_;
    size_t pos_ = 0;
};

} // namespace

int fuzzPpmd(const uint8_t* data, size_t size) {
    PeekableReader in({data, size});
    PpmdModel model(kHeapLimitMB);
    model.reset();
    unsigned blocks = 0;
    PpmdStatus st = model.decodeInit(in);
    unsigned commands = 0;
    while (st == PpmdStatus::Ok && commands++ < kMaxCommands) {
        PpmdCommand cmd;
        if (!decodePpmCommand(model, in, cmd)) {
            RARFUZZ_CHECK(model.status() != PpmdStatus::Ok);
            break;
        }
        if (cmd.kind == PpmdCommand::EndOfFile)
            break;
        if (cmd.kind == PpmdCommand::Match) {
            RARFUZZ_CHECK(cmd.distance >= 1 && cmd.length >= 4);
        } else if (cmd.kind == PpmdCommand::Filter) {
            uint8_t first = 0;
            std::vector<uint8_t> body;
            auto next = [&] {
                return model.decodeChar(in);
            };
            if (rarlib::filters::readFilterRecord(next, first, body) != rarlib::filters::FilterStatus::Ok)
                break;
        } else if (cmd.kind == PpmdCommand::NewTable) {
            // An LZ table ends the PPM part; another PPM header goes on with the same model.
            if (in.peek() < 0 || (in.peek() & 0x80) == 0 || ++blocks > kMaxBlocks)
                break;
            st = model.decodeInit(in);
        }
    }
    // After a failure the model must keep refusing until a header restarts it.
    if (model.status() != PpmdStatus::Ok)
        RARFUZZ_CHECK(model.decodeChar(in) < 0);
    return 0;
}

} // namespace rarfuzz

RARFUZZ_ENTRY(fuzzPpmd)
