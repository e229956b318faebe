// Reads a filter record's framing from a byte source: in PPM blocks the record's bytes are decoded
// symbols (escape code 3). LZ blocks read the same framing from their bit input.
#pragma once

#include "filters/FilterTypes.h"

#include <cstdint>
#include <vector>

namespace rarlib::filters {

// next() returns the next byte 0..255, or a negative value on a data error.
template <class NextByte>
FilterStatus readFilterRecord(NextByte&& next, uint8_t& first, std::vector<uint8_t>& body) {
    const int f = next();
    if (f < 0)
        return FilterStatus::BadData;
    first = static_cast<uint8_t>(f);
    uint32_t length = (first & 7) + 1u;
    if (length == 7) {
        const int b = next();
        if (b < 0)
            return FilterStatus::BadData;
        length = static_cast<uint32_t>(b) + 7;
    } else if (length == 8) {
        const int hi = next();
        const int lo = hi < 0 ? -1 : next();
        if (lo < 0)
            return FilterStatus::BadData;
        length = static_cast<uint32_t>(hi) << 8 | static_cast<uint32_t>(lo);
        if (length == 0)
            return FilterStatus::BadData;
    }
    body.resize(length);
    for (uint8_t& b : body) {
        const int v = next();
        if (v < 0)
            return FilterStatus::BadData;
        b = static_cast<uint8_t>(v);
    }
    return FilterStatus::Ok;
}

} // namespace rarlib::filters
