#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "core/Status.h"

namespace rarlib {

// Sequential input of an entry's packed bytes.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to `max` bytes; `got` == 0 with Status::Ok means the end of the packed data.
    virtual Status read(uint8_t* dst, size_t max, size_t& got) = 0;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    Status read(uint8_t* dst, size_t max, size_t& got) override;

private:
    std::span<const uint8_t> bytes_;
    size_t pos_ = 0;
};

// Receives unpacked bytes in order.
class OutputSink {
public:
    virtual ~OutputSink() = default;
    virtual Status write(const uint8_t* data, size_t size) = 0;
};

} // namespace rarlib
