#pragma once

#include <cstdint>
#include <span>

#include "core/Status.h"

namespace rarlib {

// Receives the filter records of an LZ stream (main symbol 257). The decoder reads the record bytes
// itself, since it owns the bit input; interpreting them is the filter module's job.
class FilterHandler {
public:
    virtual ~FilterHandler() = default;
    // `first` is the record's flag byte, `body` the bytes that follow it; `streamPos` is the output
    // position (absolute in the solid stream) at which the record appeared.
    virtual Status onFilterRecord(uint8_t first, std::span<const uint8_t> body, uint64_t streamPos) = 0;
};

} // namespace rarlib
