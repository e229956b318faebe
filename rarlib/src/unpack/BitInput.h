#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/ByteOrder.h"
#include "core/Status.h"
#include "unpack/ByteSource.h"

namespace rarlib {

// Bit position in the input buffer, most significant bit first. Trivially copyable so that the decode
// loop can keep it in registers; `refill` loads eight bytes at once and relies on the zero padding
// after the buffered data.
struct BitCursor {
    const uint8_t* data = nullptr;
    size_t pos = 0;     // next byte to load
    uint64_t bits = 0;  // left-aligned; bits below `count` are zero or the following stream bits
    unsigned count = 0; // valid bits in `bits`

    void refill() {
        bits |= loadBe64(data + pos) >> count;
        pos += (63 - count) >> 3;
        count |= 56;
    }
    uint32_t peek16() const { return static_cast<uint32_t>(bits >> 48); }
    // n <= 32
    uint32_t peek(unsigned n) const { return n == 0 ? 0 : static_cast<uint32_t>(bits >> (64 - n)); }
    void skip(unsigned n) {
        bits <<= n;
        count -= n;
    }
    uint32_t get(unsigned n) {
        const uint32_t v = peek(n);
        skip(n);
        return v;
    }
};

// Buffers an entry's packed bytes from a ByteSource and tracks where they end. A decoder calls
// `ensure()` before each step that may consume up to kMaxStepBytes; at the end of the data it reports
// any bit consumed beyond it.
class BitInput {
public:
    static constexpr size_t kChunk = 128 * 1024;
    static constexpr size_t kMaxStepBytes = 32;

    BitInput();

    Status start(ByteSource& source);
    BitCursor cur;

    // A cursor past this byte position must go through refillSlow() before the next step.
    size_t fastLimit() const { return fastLimit_; }
    bool needsRefill() const { return cur.pos > fastLimit_; }
    // Loads more input, or at the end of the data fails when more bits were used than there are.
    Status refillSlow();
    Status ensure() { return needsRefill() ? refillSlow() : Status::Ok; }

    void alignToByte() { cur.skip(cur.count & 7); }

    // Whole bytes at an aligned position (PPM blocks): the next byte, or -1 at the end of the packed
    // data or on a read error (readError() tells which). Never returns a byte the data does not hold.
    int getByte() {
        if (cur.pos > fastLimit_) {
            return getByteSlow();
        }
        if (cur.count < 8) {
            cur.refill();
        }
        return static_cast<int>(cur.get(8));
    }
    Status readError() const { return readError_; }

    // True when bits beyond the end of the packed data were consumed.
    bool overrun() const;

private:
    uint64_t consumedBits() const { return (base_ + cur.pos) * 8 - cur.count; }
    int getByteSlow();

    std::unique_ptr<uint8_t[]> buffer_;
    ByteSource* source_ = nullptr;
    size_t size_ = 0;      // valid bytes in buffer_
    size_t fastLimit_ = 0; // cur.pos beyond this takes the slow path
    uint64_t base_ = 0;    // stream offset of buffer_[0]
    bool eof_ = false;
    Status readError_ = Status::Ok;
};

} // namespace rarlib
