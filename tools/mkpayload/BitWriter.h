// Packed-data bits, most significant bit of each byte first, as the RAR decoders read them.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace mkpayload {

class TBitWriter {
public:
    // The low `count` bits of `value` (count up to 24), highest first.
    void Put(uint32_t value, unsigned count) {
        pending_ = (pending_ << count) | (value & ((1u << count) - 1));
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
    uint64_t BitCount() const { return bytes_.size() * 8ull + pendingBits_; }
    // The complete bytes written so far, handed over; a partial byte stays.
    std::vector<uint8_t> TakeBytes() { return std::exchange(bytes_, {}); }

private:
    std::vector<uint8_t> bytes_;
    uint32_t pending_ = 0;
    unsigned pendingBits_ = 0;
};

} // namespace mkpayload
