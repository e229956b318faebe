#pragma once

#include <cstdint>
#include <cstring>

namespace rarlib {

inline uint16_t loadLe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t loadLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline uint64_t loadBe64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
#if defined(__GNUC__)
    if constexpr (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) {
        v = __builtin_bswap64(v);
    }
#else
#error "unsupported compiler"
#endif
    return v;
}

} // namespace rarlib
