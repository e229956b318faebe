#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// Alphabets and symbol-to-value tables of the 2.0 method (unpack versions 20 and 26).
namespace rarlib::lz20 {

constexpr size_t kMainSymbols = 298;
constexpr size_t kDistSymbols = 48;
constexpr size_t kRepSymbols = 28;
constexpr size_t kAudioSymbols = 257;
constexpr size_t kPreSymbols = 19;
constexpr size_t kMaxChannels = 4;
constexpr size_t kLzLengths = kMainSymbols + kDistSymbols + kRepSymbols;
// One length array serves both block kinds, so its size is that of the larger one.
constexpr size_t kLengthArray = kAudioSymbols * kMaxChannels;
static_assert(kLengthArray >= kLzLengths);

// Main alphabet: 0-255 literals, then these.
constexpr uint32_t kRepeatLast = 256;
constexpr uint32_t kFirstOldDist = 257; // 257-260: one of the last four distances
constexpr uint32_t kFirstShort = 261;   // 261-268: length 2, short distance
constexpr uint32_t kNewTable = 269;
constexpr uint32_t kFirstLength = 270; // 270-297: length slot, then a distance
constexpr uint32_t kAudioNewTable = 256;

constexpr uint8_t kLengthBase[28] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  10,  12,  14,  16,  20,
                                     24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
constexpr uint8_t kLengthBits[28] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                     2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};

constexpr uint8_t kShortBase[8] = {0, 4, 8, 16, 32, 64, 128, 192};
constexpr uint8_t kShortBits[8] = {2, 2, 3, 4, 5, 6, 6, 6};

struct DistanceSlots {
    std::array<uint32_t, kDistSymbols> base{};
    std::array<uint8_t, kDistSymbols> bits{};
};

// Four slots without extra bits, two for each count 1..15, the rest with 16: up to 1 MiB.
constexpr DistanceSlots makeDistanceSlots() {
    DistanceSlots t;
    uint32_t base = 0;
    for (size_t slot = 0; slot < kDistSymbols; ++slot) {
        const uint8_t bits = slot < 4 ? 0 : slot < 34 ? static_cast<uint8_t>((slot - 2) / 2) : 16;
        t.base[slot] = base;
        t.bits[slot] = bits;
        base += 1u << bits;
    }
    return t;
}

constexpr DistanceSlots kDistance = makeDistanceSlots();
static_assert(kDistance.base[47] == 983040 && kDistance.bits[47] == 16);
static_assert(kDistance.base[4] == 4 && kDistance.bits[33] == 15);

// The longest match: the largest slot with its extra bits, from a repeated distance (base 2) with
// all three distance adjustments.
constexpr uint32_t kMaxMatch = 224 + 31 + 2 + 3;

} // namespace rarlib::lz20
