#pragma once

#include <cstddef>
#include <bit>
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
    // Bytes after the ring, so that a copy ending at its end may move eight bytes at once.
    static constexpr size_t kSlack = 8;

    // The ring is the one large block of a decoder; when it cannot be had, allocated() is false and the
    // decoder reports that rather than the whole process failing.
    LzWindow();
    bool allocated() const { return data_ != nullptr; }

    void resetStream() {
        pos_ = 0;
        written_ = 0;
    }
    uint8_t* data() { return data_.get(); }
    uint64_t pos() const { return pos_; }
    void setPos(uint64_t pos) { pos_ = pos; }
    uint64_t written() const { return written_; }
    // The border is moved by whoever writes the output out (through the filters).
    void setWritten(uint64_t written) { written_ = written; }
    const uint8_t* data() const { return data_.get(); }

    // The ring is cleared step by step as the stream first reaches it, so that a small archive does
    // not pay for 4 MiB. Returns how far (absolute, at most `wanted`) a decoder may go on before asking
    // again; it may then write up to kMaxStepBytes beyond that (a PPM match is up to 287 bytes).
    static constexpr uint64_t kMaxStepBytes = 288;
    uint64_t prepare(uint64_t wanted);

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
                if (i < len) {
                    // The last bytes in one step; the bytes after the match keep their values (they
                    // may still be read through a distance of nearly the whole window).
                    uint64_t v;
                    uint64_t old;
                    std::memcpy(&v, s + i, 8);
                    std::memcpy(&old, d + i, 8);
                    const unsigned shift = 8 * (len - i);
                    const uint64_t keep = std::endian::native == std::endian::little ? ~uint64_t{0} << shift
                                                                                     : ~uint64_t{0} >> shift;
                    v = (v & ~keep) | (old & keep);
                    std::memcpy(d + i, &v, 8);
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
    size_t cleared_ = 0; // bytes of data_ that hold defined values
    uint64_t pos_ = 0;
    uint64_t written_ = 0;
};

// Hands on the decoded bytes from `written` up to the window's position and moves `written` there; for
// the decoders whose output needs no filters. A null sink only moves the border.
Status writeWindow(const LzWindow& window, uint64_t& written, OutputSink* sink);

} // namespace rarlib
