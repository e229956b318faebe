#include "filters/FilterIdentify.h"

#include "core/Crc32.h"

namespace rarlib::filters {

namespace {

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

std::optional<FilterType> identifyFilter(std::span<const uint8_t> code) {
    if (code.empty())
        return std::nullopt;
    uint8_t x = 0;
    for (uint8_t b : code.subspan(1))
        x ^= b;
    if (x != code[0])
        return std::nullopt;
    const uint32_t crc = crc32(code);
    for (const Fingerprint& f : kStandardFilters)
        if (f.size == code.size() && f.crc == crc)
            return f.type;
    return std::nullopt;
}

} // namespace rarlib::filters
