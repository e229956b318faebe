#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace rarlib {

// The common CRC-32 (reflected 0xEDB88320, as zlib's crc32()). Entry data passes through it at
// decoding speed, so it processes eight bytes per step.
class Crc32 {
public:
    void update(const uint8_t* data, size_t size);
    void update(std::span<const uint8_t> data) { update(data.data(), data.size()); }
    uint32_t value() const { return ~state_; }
    void reset() { state_ = 0xFFFFFFFFu; }

private:
    uint32_t state_ = 0xFFFFFFFFu;
};

uint32_t crc32(std::span<const uint8_t> data);

} // namespace rarlib
