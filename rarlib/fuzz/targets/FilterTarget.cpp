// The filter set on a made-up decoded stream: record parsing, the table of known filters across solid
// entries, the write border and the standard filters themselves.
//
// Input: the number of records (1 byte), the entry size (3 bytes); then each record as a 16-bit
// advance of the stream position (bit 15: a new solid entry starts first) and the record in its
// stored framing (flag byte, length, body); the rest is the stream's content, repeated.
#include "FuzzTargets.h"

#include "filters/FilterRecord.h"
#include "filters/FilterSet.h"
#include "filters/WriteBorder.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace rarfuzz {
namespace {

using namespace rarlib::filters;

constexpr size_t kWindowSize = size_t{1} << 20;
constexpr uint32_t kMaxEntrySize = kWindowSize / 2;
constexpr unsigned kMaxRecords = 64;
constexpr unsigned kMaxEntries = 4;

struct Record {
    bool newEntry;
    uint32_t advance;
    uint8_t first;
    std::vector<uint8_t> body;
};

// The decoder's side: produces the stream into the ring and writes it out through the filters.
class Stream {
public:
    Stream(std::span<const uint8_t> content, uint32_t entrySize)
        : window_(new uint8_t[kWindowSize]), content_(content), entrySize_(entrySize) {}

    void startEntry(bool solid) {
        filters_.startEntry(solid);
        entryStart_ = produced_;
        delivered_ = 0;
    }
    uint64_t entryEnd() const { return entryStart_ + entrySize_; }
    uint32_t entrySize() const { return entrySize_; }
    FilterSet& filters() { return filters_; }

    // Decodes up to `to` (within the entry) and writes what the filters let through.
    FilterStatus advanceTo(uint64_t to, bool entryEnd) {
        for (; produced_ < to; ++produced_)
            window_[produced_ & (kWindowSize - 1)] =
                content_.empty() ? 0 : content_[produced_ % content_.size()];
        auto write = [&](const uint8_t*, size_t n) {
            delivered_ += n;
            return 0;
        };
        const WindowView view{window_.get(), kWindowSize - 1};
        const FilterStatus st =
            flushThroughFilters(filters_, view, produced_, written_, entryStart_, entryEnd, write);
        RARFUZZ_CHECK(delivered_ <= entrySize_);
        return st;
    }
    uint64_t delivered() const { return delivered_; }
    uint64_t produced() const { return produced_; }

private:
    std::unique_ptr<uint8_t[]> window_;
    std::span<const uint8_t> content_;
    uint32_t entrySize_;
    FilterSet filters_;
    uint64_t entryStart_ = 0;
    uint64_t produced_ = 0;
    uint64_t written_ = 0;
    uint64_t delivered_ = 0;
};

bool parseRecords(const uint8_t* data, size_t size, size_t& pos, unsigned count, std::vector<Record>& out) {
    for (unsigned i = 0; i < count; ++i) {
        if (size - pos < 2)
            return false;
        const uint32_t v = data[pos] | data[pos + 1] << 8;
        pos += 2;
        Record r{(v & 0x8000) != 0, v & 0x7FFF, 0, {}};
        auto next = [&] {
            return pos < size ? data[pos++] : -1;
        };
        if (readFilterRecord(next, r.first, r.body) != FilterStatus::Ok)
            return false;
        out.push_back(std::move(r));
    }
    return true;
}

// Ends the current entry: everything is written, filtered, and exactly the entry's size comes out.
bool finishEntry(Stream& s) {
    const FilterStatus st = s.advanceTo(s.entryEnd(), true);
    if (st == FilterStatus::Ok) {
        // Blocks lie inside their entry, and the standard filters keep the block's length.
        RARFUZZ_CHECK(s.delivered() == s.entrySize());
        // Only an empty block right at the entry's end may still wait (it runs, on nothing, in the
        // next solid entry).
        for (const FilterInvocation& f : s.filters().pending())
            RARFUZZ_CHECK(f.blockLength == 0 && f.blockStart == s.entryEnd());
    }
    return st == FilterStatus::Ok;
}

} // namespace

int fuzzFilters(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    const unsigned count = std::min<unsigned>(data[0], kMaxRecords);
    const uint32_t entrySize =
        std::clamp<uint32_t>(data[1] | data[2] << 8 | static_cast<uint32_t>(data[3]) << 16, 1, kMaxEntrySize);
    size_t pos = 4;
    std::vector<Record> records;
    if (!parseRecords(data, size, pos, count, records))
        return 0;

    Stream stream({data + pos, size - pos}, entrySize);
    stream.startEntry(false);
    uint64_t at = 0;
    unsigned entries = 1;
    for (const Record& r : records) {
        if (r.newEntry) {
            if (++entries > kMaxEntries || !finishEntry(stream))
                return 0;
            stream.startEntry(true);
            at = stream.produced();
        }
        at = std::min(at + r.advance, stream.entryEnd());
        if (stream.advanceTo(at, false) != FilterStatus::Ok)
            return 0;
        if (stream.filters().addRecord(r.first, r.body, at, stream.entryEnd()) != FilterStatus::Ok)
            return 0;
        RARFUZZ_CHECK(stream.filters().pendingCount() <= kMaxFilters);
    }
    finishEntry(stream);
    return 0;
}

} // namespace rarfuzz

RARFUZZ_ENTRY(fuzzFilters)
