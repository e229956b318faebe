// Reads the body of a filter record: bits MSB first, and the variable-length numbers the format
// uses for every field. Bits past the end read as zero, as in the reference reader; callers that
// need whole bytes check bitsLeft() first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace rarlib::filters {

class VmBitReader {
public:
    explicit VmBitReader(std::span<const uint8_t> data) : data_(data) {}

    uint32_t get(unsigned n) { // n <= 32
        uint32_t v = 0;
        for (unsigned i = 0; i < n; ++i) {
            const size_t byte = pos_ >> 3;
            const unsigned bit = byte < data_.size() ? (data_[byte] >> (7 - (pos_ & 7))) & 1 : 0;
            v = (v << 1) | bit;
            ++pos_;
        }
        return v;
    }

    uint32_t number() {
        switch (get(2)) {
        case 0:
            return get(4);
        case 1: {
            const uint32_t v = get(8);
            if (v >= 16)
                return v;
            // Small negative numbers: 0xFFFFFF00 | v << 4 | 4 more bits.
            return 0xFFFFFF00u | (v << 4) | get(4);
        }
        case 2:
            return get(16);
        default:
            return get(32);
        }
    }

    size_t bitsLeft() const { return pos_ < data_.size() * 8 ? data_.size() * 8 - pos_ : 0; }

private:
    std::span<const uint8_t> data_;
    size_t pos_ = 0;
};

} // namespace rarlib::filters
