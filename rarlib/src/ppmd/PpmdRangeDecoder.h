// The carry-less range decoder of the 2.9 format's PPM blocks (not the one of 7z archives).
#pragma once

#include "ppmd/ByteInput.h"
#include "ppmd/PpmdHeap.h"

#include <cstdint>

namespace rarlib::ppmd {

class RangeDecoder {
public:
    template <ByteInput R> bool init(R& in) {
        failed_ = false;
        low_ = 0;
        range_ = 0xFFFFFFFF;
        code_ = 0;
        for (int i = 0; i < 4; ++i) {
            const int b = in.getByte();
            if (b < 0)
                return false;
            code_ = (code_ << 8) | static_cast<uint32_t>(b);
        }
        return true;
    }

    // A count no scale can hold (UINT32_MAX) when the range is exhausted, which only corrupt data does.
    uint32_t getCount(uint32_t scale) {
        if (scale == 0 || (range_ /= scale) == 0)
            return fail();
        return (code_ - low_) / range_;
    }
    uint32_t getShiftCount(unsigned shift) {
        if ((range_ >>= shift) == 0)
            return fail();
        return (code_ - low_) / range_;
    }
    void decode(uint32_t start, uint32_t size) {
        low_ += start * range_;
        range_ *= size;
    }

    // The packed data never ends inside a range-coded block: running out is corrupt data.
    template <ByteInput R> void normalize(R& in) {
        while (!failed_) {
            if ((low_ ^ (low_ + range_)) >= kTop) {
                if (range_ >= kBot)
                    return;
                range_ = (0u - low_) & (kBot - 1);
            }
            const int b = in.getByte();
            if (b < 0) {
                fail();
                return;
            }
            code_ = (code_ << 8) | static_cast<uint32_t>(b);
            range_ <<= 8;
            low_ <<= 8;
        }
    }

    // Set by corrupt data until the next init; the decoder then gives up the symbol.
    bool failed() const { return failed_; }

private:
    uint32_t fail() {
        failed_ = true;
        range_ = 1; // no division by zero while the current symbol winds down
        return UINT32_MAX;
    }

    static constexpr uint32_t kTop = 1u << 24;
    static constexpr uint32_t kBot = 1u << 15;

    uint32_t low_ = 0;
    uint32_t code_ = 0;
    uint32_t range_ = 0;
    bool failed_ = false;
};

} // namespace rarlib::ppmd
