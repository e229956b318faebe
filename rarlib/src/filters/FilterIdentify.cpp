#include "filters/FilterIdentify.h"

#include <array>

namespace rarlib::filters {

namespace {

constexpr std::array<uint32_t, 256> makeCrcTable() {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        t[i] = c;
    }
    return t;
}
constexpr std::array<uint32_t, 256> kCrcTable = makeCrcTable();

struct Fingerprint {
    uint32_t size;
    uint32_t crc;
    FilterType type;
};
constexpr Fingerprint kStandardFilters[] = {
    {53, 0xAD576887, FilterType::E8},       {57, 0x3CD7E57E, FilterType::E8E9},
    {120, 0x3769893F, FilterType::Itanium}, {29, 0x0E06077D, FilterType::Delta},
    {149, 0x1C2C5DC8, FilterType::Rgb},     {216, 0xBC85E701, FilterType::Audio},
};

} // namespace

uint32_t filterCodeCrc(std::span<const uint8_t> data) {
    uint32_t c = 0xFFFFFFFFu;
    for (uint8_t b : data)
        c = kCrcTable[(c ^ b) & 0xFF] ^ (c >> 8);
    return ~c;
}

std::optional<FilterType> identifyFilter(std::span<const uint8_t> code) {
    if (code.empty())
        return std::nullopt;
    uint8_t x = 0;
    for (uint8_t b : code.subspan(1))
        x ^= b;
    if (x != code[0])
        return std::nullopt;
    const uint32_t crc = filterCodeCrc(code);
    for (const Fingerprint& f : kStandardFilters)
        if (f.size == code.size() && f.crc == crc)
            return f.type;
    return std::nullopt;
}

} // namespace rarlib::filters
