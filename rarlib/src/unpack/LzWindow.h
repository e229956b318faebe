#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "core/Status.h"
#include "unpack/ByteSource.h"

namespace rarlib {

// The sliding dictionary shared by every decoder of a solid stream, addressed by absolute stream
// positions. `written` is the write border: bytes before it have been handed on, bytes from it up to
// `pos` are decoded but not yet written and must not be overwritten.
class LzWindow {
public:
    static constexpr size_t kSize = size_t{4} << 20;
    static constexpr size_t kMask = kSize - 1;

    LzWindow();

    void resetStream() {
        pos_ = 0;
        written_ = 0;
    }
    uint8_t* data() { return data_.get(); }
    uint64_t pos() const { return pos_; }
    void setPos(uint64_t pos) { pos_ = pos; }
    uint64_t written() const { return written_; }

    // Writes [written, upTo) to the sink (upTo <= pos), or only advances the border when sink is null.
    Status flush(uint64_t upTo, OutputSink* sink);

    // Copies `len` bytes from `dist` back to `pos` (dist validated by the caller: 1 <= dist <= pos).
    static void copyMatch(uint8_t* win, uint64_t pos, uint32_t dist, uint32_t len) {
        const size_t dst = pos & kMask;
        const size_t src = (pos - dist) & kMask;
        if (dst + len <= kSize && src + len <= kSize) {
            uint8_t* d = win + dst;
            const uint8_t* s = win + src;
            if (dist >= 8) {
                // Every 8-byte source chunk lies entirely before its destination, or after it when the
                // source wrapped; either way it is not changed by this copy.
                uint32_t i = 0;
                for (; i + 8 <= len; i += 8) {
                    uint64_t v;
                    std::memcpy(&v, s + i, 8);
                    std::memcpy(d + i, &v, 8);
                }
                for (; i < len; ++i) {
                    d[i] = s[i];
                }
            } else if (dist == 1) {
                std::memset(d, *s, len);
            } else {
                for (uint32_t i = 0; i < len; ++i) {
                    d[i] = s[i];
                }
            }
            return;
        }
        for (uint32_t i = 0; i < len; ++i) {
            win[(pos + i) & kMask] = win[(pos + i - dist) & kMask];
        }
    }

private:
    std::unique_ptr<uint8_t[]> data_;
    uint64_t pos_ = 0;
    uint64_t written_ = 0;
};

} // namespace rarlib
