#include "Lz29Format.h"

namespace mkpayload::lz29 {
namespace {

constexpr std::array<uint8_t, 28> kLengthBits = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                                 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
constexpr std::array<uint8_t, 8> kShortBits = {2, 2, 3, 4, 5, 6, 6, 6};
constexpr std::array<uint16_t, 8> kShortBase = {0, 4, 8, 16, 32, 64, 128, 192};

// Extra-bit counts of the 60 distance slots: 4 with none, two each for 1..15, 14 with 16, 12 with 18.
constexpr std::array<uint8_t, 60> DistanceBits() {
    std::array<uint8_t, 60> bits{};
    unsigned slot = 4;
    for (uint8_t b = 1; b <= 15; ++b) {
        bits[slot++] = b;
        bits[slot++] = b;
    }
    while (slot < 48) {
        bits[slot++] = 16;
    }
    while (slot < 60) {
        bits[slot++] = 18;
    }
    return bits;
}
constexpr std::array<uint8_t, 60> kDistanceBits = DistanceBits();

struct TTables {
    std::array<uint8_t, 256> lengthSlot{};
    std::array<uint16_t, 28> lengthBase{};
    std::array<uint32_t, 60> distanceBase{};
    std::array<uint8_t, 1 << 16> nearSlot{}; // distance - 1 below 64 KiB
    std::array<uint8_t, 1 << 7> farSlot{};   // (distance - 1) >> 15 from 64 KiB on
};

TTables MakeTables() {
    TTables t;
    uint16_t base = 0;
    for (unsigned s = 0; s < 28; ++s) {
        t.lengthBase[s] = base;
        for (unsigned i = 0; i < (1u << kLengthBits[s]); ++i) {
            t.lengthSlot[base + i] = static_cast<uint8_t>(s);
        }
        base = static_cast<uint16_t>(base + (1u << kLengthBits[s]));
    }
    uint32_t dist = 0;
    for (unsigned s = 0; s < 60; ++s) {
        t.distanceBase[s] = dist;
        const uint32_t next = dist + (1u << kDistanceBits[s]);
        for (uint32_t v = dist; v < next && v < (1u << 16); ++v) {
            t.nearSlot[v] = static_cast<uint8_t>(s);
        }
        // From 64 KiB on every slot starts at a multiple of 32 KiB.
        for (uint32_t v = std::max<uint32_t>(dist, 1u << 16); v < next; v += 1u << 15) {
            t.farSlot[v >> 15] = static_cast<uint8_t>(s);
        }
        dist = next;
    }
    return t;
}

const TTables& Tables() {
    static const TTables tables = MakeTables();
    return tables;
}

} // namespace

TSlot LengthSlot(unsigned value) {
    const TTables& t = Tables();
    const uint8_t slot = t.lengthSlot[value];
    return {slot, kLengthBits[slot], value - t.lengthBase[slot]};
}

TSlot DistanceSlot(uint32_t value) {
    const TTables& t = Tables();
    const uint8_t slot = value < (1u << 16) ? t.nearSlot[value] : t.farSlot[value >> 15];
    return {slot, kDistanceBits[slot], value - t.distanceBase[slot]};
}

TSlot ShortDistanceSlot(uint32_t distance) {
    uint8_t slot = 7;
    while (kShortBase[slot] >= distance) {
        --slot;
    }
    return {slot, kShortBits[slot], distance - 1 - kShortBase[slot]};
}

} // namespace mkpayload::lz29
