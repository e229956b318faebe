#include "support/Decode.h"

namespace rarlib::test {
namespace {

class CollectSink final : public OutputSink {
public:
    Status write(const uint8_t* data, size_t size) override {
        out.append(reinterpret_cast<const char*>(data), size);
        return Status::Ok;
    }
    std::string out;
};

} // namespace

DecodeResult decodeEntry(Unpack29& u, const std::vector<uint8_t>& packed, uint64_t size, bool solid) {
    MemorySource source(packed);
    CollectSink sink;
    const Status st = u.decodeEntry(source, size, true, solid, &sink);
    return {st, std::move(sink.out)};
}

DecodeResult decodeEntry(const std::vector<uint8_t>& packed, uint64_t size) {
    Unpack29 u;
    return decodeEntry(u, packed, size);
}

} // namespace rarlib::test
