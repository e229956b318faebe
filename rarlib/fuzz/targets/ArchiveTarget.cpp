// The whole reader on one archive in memory: open, comment, every header, TEST of every entry. The
// same bytes also stand for every further volume asked for, so split entries and volume switches are
// reached without a second input.
#include "FuzzTargets.h"

#include "archive/Input.h"
#include "extract/ArchiveSession.h"
#include "extract/SafeName.h"
#include "platform/FileOutput.h"
#include "platform/TextCodec.h"

#include <memory>
#include <span>

namespace rarfuzz {
namespace {

using namespace rarlib;

// Bounds the work per input: volumes opened, entries processed.
constexpr int kMaxVolumes = 4;
constexpr int kMaxEntries = 4096;

class MemoryFileSystem final : public FileSystem {
public:
    explicit MemoryFileSystem(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    std::unique_ptr<RandomAccessInput> openInput(const Path&) override {
        if (opened_ >= kMaxVolumes)
            return nullptr;
        ++opened_;
        return std::make_unique<MemoryInput>(bytes_);
    }
    // Testing never writes; a call here would be a fault of its own.
    std::unique_ptr<OutputFile> createFile(const Path&) override {
        checkFailed("a test created a file", __FILE__, __LINE__);
    }
    bool createDirectories(const Path&) override {
        checkFailed("a test created a folder", __FILE__, __LINE__);
    }

private:
    std::span<const uint8_t> bytes_;
    int opened_ = 0;
};

// Counts the data each entry delivers, to hold the reader to the entry's size.
class CountingEvents final : public SessionEvents {
public:
    bool changeVolume(Path&, bool ask) override { return !ask; }
    std::optional<std::string> needPassword() override { return std::nullopt; }
    bool onData(const uint8_t*, size_t size) override {
        delivered += size;
        RARFUZZ_CHECK(!limit || delivered <= *limit);
        return true;
    }

    uint64_t delivered = 0;
    std::optional<uint64_t> limit;
};

} // namespace

int fuzzArchive(const uint8_t* data, size_t size) {
    MemoryFileSystem fs({data, size});
    CountingEvents events;
    ArchiveSession session("fuzz.rar", OpenMode::Extract, fs);
    session.setEvents(&events);
    if (session.open() != Status::Ok)
        return 0;
    std::vector<uint8_t> comment;
    (void)session.readComment(comment);
    for (int i = 0; i < kMaxEntries && session.readHeader() == Status::Ok; ++i) {
        const FileHeader h = session.header();
        (void)safeRelativePath(entryWideName(h));
        events.delivered = 0;
        events.limit.reset();
        // A split entry's parts each carry the whole size; the total may not pass it either.
        if (!h.unpSizeUnknown)
            events.limit = h.unpSize;
        const Status st = session.processFile(Operation::Test, nullptr, nullptr);
        if (st == Status::Ok && !h.isDirectory() && !h.unpSizeUnknown)
            RARFUZZ_CHECK(events.delivered == h.unpSize);
    }
    return 0;
}

} // namespace rarfuzz

RARFUZZ_ENTRY(fuzzArchive)
