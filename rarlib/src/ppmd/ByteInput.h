// Where the PPMd decoder gets its bytes. The decoder is a template over the reader type so that the
// per-byte call inlines; any type with `int getByte()` (0..255, or -1 once the packed data ends)
// works. ByteReader is the virtual form for callers that prefer one.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <span>

namespace rarlib::ppmd {

template <class R>
concept ByteInput = requires(R& r) {
    { r.getByte() } -> std::convertible_to<int>;
};

class ByteReader {
public:
    virtual int getByte() = 0;

protected:
    ~ByteReader() = default;
};

// Reads a byte range that the caller keeps alive; position() tells how much was consumed.
class SpanByteReader {
public:
    explicit SpanByteReader(std::span<const uint8_t> data)
        : begin_(data.data()), pos_(begin_), end_(pos_ + data.size()) {}
    int getByte() { return pos_ != end_ ? *pos_++ : -1; }
    size_t position() const { return static_cast<size_t>(pos_ - begin_); }

private:
    const uint8_t* begin_;
    const uint8_t* pos_;
    const uint8_t* end_;
};

} // namespace rarlib::ppmd
