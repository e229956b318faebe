// Packed-data bits, most significant bit of each byte first, as the RAR decoders read them. The
// library's tests write their streams with it too, through mkpayload_bitwriter, which shows them this
// header alone.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace mkpayload {

class TBitWriter {
public:
    // The low `count` bits of `value` (count up to 32), highest first.
    void Put(uint32_t value, unsigned count) {
        pending_ = (pending_ << count) | (value & ((uint64_t{1} << count) - 1));
        pendingBits_ += count;
        while (pendingBits_ >= 8) {
            pendingBits_ -= 8;
            bytes_.push_back(static_cast<uint8_t>(pending_ >> pendingBits_));
        }
        pending_ &= (1u << pendingBits_) - 1;
    }
    // Zero bits up to the next byte boundary.
    void Align() {
        if (pendingBits_ > 0) {
            Put(0, 8 - pendingBits_);
        }
    }
    // The complete bytes written so far, handed over; a partial byte stays.
    std::vector<uint8_t> TakeBytes() { return std::exchange(bytes_, {}); }
    // Everything written, the last byte padded with zero bits.
    std::vector<uint8_t> Finish() {
        Align();
        return TakeBytes();
    }

private:
    std::vector<uint8_t> bytes_;
    uint64_t pending_ = 0;
    unsigned pendingBits_ = 0;
};

} // namespace mkpayload
