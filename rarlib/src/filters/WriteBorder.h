// Writing decoded data out through pending filters. The window keeps the unfiltered bytes (later
// matches refer to them); only what goes to the entry's output is filtered.
#pragma once

#include "filters/FilterSet.h"
#include "filters/FilterTypes.h"

#include <algorithm>
#include <cstdint>
#include <span>

namespace rarlib::filters {

// Writes the window's bytes from `written` up to `produced` (absolute stream positions), with
// every pending filter block in between replaced by its filtered form, and advances `written`.
// Output stops before a filter block that is not complete yet; the caller decodes on and calls
// again (and must not let the decoder overwrite window bytes from `written` on). With `entryEnd`
// set, an incomplete block is corrupt data: it would reach past the entry.
//
// write(const uint8_t* data, size_t size) returns 0 on success or an error code, which is
// returned as the status (so a callback returning the library's status codes passes them on).
template <class Write>
FilterStatus flushThroughFilters(FilterSet& filters, const WindowView& window, uint64_t produced,
                                 uint64_t& written, uint64_t entryStart, bool entryEnd, Write&& write) {
    if (produced < written || produced - written > window.mask + 1)
        return FilterStatus::BadData; // the window no longer holds the bytes to write
    auto writeWindow = [&](uint64_t to) {
        while (written < to) {
            const size_t at = written & window.mask;
            const size_t n = static_cast<size_t>(std::min<uint64_t>(to - written, window.mask + 1 - at));
            const int rc = static_cast<int>(write(window.data + at, n));
            if (rc != 0)
                return static_cast<FilterStatus>(rc);
            written += n;
        }
        return FilterStatus::Ok;
    };

    while (filters.hasPending()) {
        const FilterInvocation& f = filters.nextPending();
        if (f.blockStart < written)
            return FilterStatus::BadData; // overlaps output already written
        if (f.blockStart >= produced)
            break;
        FilterStatus st = writeWindow(f.blockStart);
        if (st != FilterStatus::Ok)
            return st;
        if (produced - f.blockStart < f.blockLength)
            return entryEnd ? FilterStatus::BadData : FilterStatus::Ok;
        const uint64_t blockEnd = f.blockStart + f.blockLength;
        std::span<const uint8_t> out;
        if ((st = filters.runNext(window, entryStart, out)) != FilterStatus::Ok)
            return st;
        if (!out.empty()) {
            const int rc = static_cast<int>(write(out.data(), out.size()));
            if (rc != 0)
                return static_cast<FilterStatus>(rc);
        }
        written = blockEnd;
    }
    return writeWindow(produced);
}

} // namespace rarlib::filters
