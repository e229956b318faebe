// The filter state of a solid stream: the table of filters defined so far (a later record may
// reuse one by number without resending its code, also in a later entry) and the invocations
// waiting for their block to be decoded and written.
#pragma once

#include "filters/FilterTypes.h"
#include "filters/StandardFilters.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <vector>

namespace rarlib::filters {

class FilterSet {
public:
    // At the start of an entry. A non-solid entry starts without filters; a solid one keeps the
    // table and anything still pending.
    void startEntry(bool solid) {
        if (!solid)
            clear();
    }
    void clear() {
        table_.clear();
        pending_.clear();
        lastFilter_ = 0;
    }

    // Parses one filter record: its flag byte and the bytes after its length field. `streamPos`
    // is the position of the decoded stream when the record arrived; `entryEnd` the position
    // where the current entry's output ends (UINT64_MAX when the size is unknown). A block must
    // lie inside the entry.
    FilterStatus addRecord(uint8_t first, std::span<const uint8_t> body, uint64_t streamPos,
                           uint64_t entryEnd);

    bool hasPending() const { return !pending_.empty(); }
    const std::deque<FilterInvocation>& pending() const { return pending_; }
    const FilterInvocation& nextPending() const { return pending_.front(); }
    size_t pendingCount() const { return pending_.size(); }
    size_t knownFilters() const { return table_.size(); }

    // Runs the next pending invocation, and the ones chained to it on the same block, over the
    // block's bytes in `window`; the caller has checked that the block is complete. `entryStart`
    // is where the current entry began (the filters see offsets within the entry). On success
    // `out` points at the filtered bytes, valid until the next call.
    FilterStatus runNext(const WindowView& window, uint64_t entryStart, std::span<const uint8_t>& out);

private:
    struct KnownFilter {
        FilterType type;
        uint32_t lastLength;
        uint32_t execCount;
    };

    std::vector<KnownFilter> table_;
    std::deque<FilterInvocation> pending_;
    uint32_t lastFilter_ = 0;
    std::unique_ptr<uint8_t[]> memory_;
};

} // namespace rarlib::filters
