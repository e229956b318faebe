#pragma once
// Bits written most significant first, the order in which the decoders' bit input reads them: the
// ground of every stream writer of the decoder tests. Header-only, so that the module tests, which
// build their own sources, can use it too.

#include <cstdint>
#include <vector>

namespace rarlib::test {

class BitWriter {
public:
    void put(uint32_t value, unsigned bits) {
        for (unsigned i = bits; i > 0; --i) {
            acc_ = (acc_ << 1) | ((value >> (i - 1)) & 1);
            if (++used_ == 8) {
                bytes_.push_back(static_cast<uint8_t>(acc_));
                acc_ = 0;
                used_ = 0;
            }
        }
    }
    // Pads the last byte with zero bits.
    void align() {
        if (used_ != 0) {
            put(0, 8 - used_);
        }
    }
    // Whole bytes at the next byte boundary.
    void append(const std::vector<uint8_t>& data) {
        align();
        bytes_.insert(bytes_.end(), data.begin(), data.end());
    }
    // The stream so far, its last byte padded; writing may go on afterwards.
    std::vector<uint8_t> finish() {
        align();
        return bytes_;
    }

private:
    std::vector<uint8_t> bytes_;
    uint32_t acc_ = 0;
    unsigned used_ = 0;
};

} // namespace rarlib::test
