#pragma once

#include <array>
#include <cstdint>

// Symbol-to-value tables of the 2.9 LZ method.
namespace rarlib::lz29 {

constexpr size_t kMainSymbols = 299;
constexpr size_t kDistSymbols = 60;
constexpr size_t kLowDistSymbols = 17;
constexpr size_t kRepSymbols = 28;
constexpr size_t kTableLengths = kMainSymbols + kDistSymbols + kLowDistSymbols + kRepSymbols;
constexpr size_t kPreSymbols = 20;

constexpr uint8_t kLengthBase[28] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  10,  12,  14,  16,  20,
                                     24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
constexpr uint8_t kLengthBits[28] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                     2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};

constexpr uint8_t kShortBase[8] = {0, 4, 8, 16, 32, 64, 128, 192};
constexpr uint8_t kShortBits[8] = {2, 2, 3, 4, 5, 6, 6, 6};

struct DistanceTables {
    std::array<uint32_t, kDistSymbols> base{};
    std::array<uint8_t, kDistSymbols> bits{};
};

// Slots per number of extra bits: 4 with none, two each for 1..15, 14 with 16, 12 with 18.
constexpr DistanceTables makeDistanceTables() {
    constexpr uint8_t slotsPerBits[19] = {4, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 14, 0, 12};
    DistanceTables t;
    size_t slot = 0;
    uint32_t base = 0;
    for (uint8_t b = 0; b < 19; ++b) {
        for (uint8_t k = 0; k < slotsPerBits[b]; ++k) {
            t.base[slot] = base;
            t.bits[slot] = b;
            base += 1u << b;
            ++slot;
        }
    }
    return t;
}

constexpr DistanceTables kDistance = makeDistanceTables();
static_assert(kDistance.base[59] == 3932160);

} // namespace rarlib::lz29
