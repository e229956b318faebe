// The whole reader on one archive in memory: open, comment, every header, TEST of every entry. The
// same bytes also stand for every further volume asked for, so split entries and volume switches are
// reached without a second input. Each input runs twice: as it is, and with every header CRC made to
// match, since a mutated header would otherwise almost never get past its CRC check.
#include "FuzzTargets.h"

#include "archive/Input.h"
#include "core/ByteOrder.h"
#include "core/Crc32.h"
#include "extract/ArchiveSession.h"
#include "extract/SafeName.h"
#include "platform/FileOutput.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <memory>
#include <span>
#include <vector>

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

// Walks the blocks after the first marker and rewrites each header's CRC over the span the reader
// checks. Returns false when nothing changed.
bool repairHeaderCrcs(std::vector<uint8_t>& a) {
    const auto hit = std::search(a.begin(), a.end(), std::begin(kMarkerBytes), std::end(kMarkerBytes));
    if (hit == a.end())
        return false;
    bool changed = false;
    uint64_t pos = static_cast<uint64_t>(hit - a.begin()) + sizeof(kMarkerBytes);
    for (int blocks = 0; blocks < kMaxEntries && pos + kBaseHeaderSize <= a.size(); ++blocks) {
        uint8_t* p = a.data() + pos;
        const BaseHeader b = parseBaseHeader(p);
        if (b.size < kBaseHeaderSize || b.size > a.size() - pos)
            break;
        const std::span<const uint8_t> header(p, b.size);
        const size_t span = headerCrcSpan(b, header);
        if (span >= 3 && span <= header.size()) {
            const auto crc = static_cast<uint16_t>(crc32(header.subspan(2, span - 2)));
            changed = changed || crc != b.crc;
            p[0] = static_cast<uint8_t>(crc);
            p[1] = static_cast<uint8_t>(crc >> 8);
        }
        uint64_t data = 0;
        const bool fileLike = b.type == block::kFile || b.type == block::kService;
        if (fileLike && b.size >= kFileHeaderFixedSize) {
            data = loadLe32(p + 7);
            if ((b.flags & fileflag::kLarge) && b.size >= kFileHeaderFixedSize + 8)
                data |= uint64_t{loadLe32(p + kFileHeaderFixedSize)} << 32;
        } else if ((b.flags & kLongBlock) && b.size >= kBaseHeaderSize + 4) {
            data = loadLe32(p + 7);
        }
        if (data > a.size() - pos - b.size)
            break;
        pos += b.size + data;
    }
    return changed;
}

void testArchive(std::span<const uint8_t> bytes) {
    MemoryFileSystem fs(bytes);
    CountingEvents events;
    ArchiveSession session("fuzz.rar", OpenMode::Extract, fs);
    session.setEvents(&events);
    if (session.open() != Status::Ok)
        return;
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
}

} // namespace

int fuzzArchive(const uint8_t* data, size_t size) {
    testArchive({data, size});
    std::vector<uint8_t> repaired(data, data + size);
    if (repairHeaderCrcs(repaired))
        testArchive(repaired);
    return 0;
}

} // namespace rarfuzz

RARFUZZ_ENTRY(fuzzArchive)
