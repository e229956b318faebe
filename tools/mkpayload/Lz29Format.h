// The numbers of the RAR 2.9 LZ method an encoder needs: alphabet sizes, length and distance
// slots, and the rough bit costs used to choose between matches.
#pragma once

#include <array>
#include <cstdint>

namespace mkpayload::lz29 {

constexpr unsigned kMainSymbols = 299;
constexpr unsigned kDistSymbols = 60;
constexpr unsigned kLowSymbols = 17;
constexpr unsigned kRepSymbols = 28;
constexpr unsigned kTableSize = kMainSymbols + kDistSymbols + kLowSymbols + kRepSymbols;
constexpr unsigned kMaxCodeLength = 15;
// Where each table's lengths start among the 404.
constexpr unsigned kMainStart = 0;
constexpr unsigned kDistStart = kMainSymbols;
constexpr unsigned kLowStart = kDistStart + kDistSymbols;
constexpr unsigned kRepStart = kLowStart + kLowSymbols;

constexpr uint16_t kEndOfBlock = 256;
constexpr uint16_t kFilterRecord = 257;
constexpr uint16_t kRepeatLast = 258;
constexpr uint16_t kFirstOldDistance = 259;
constexpr uint16_t kFirstShortDistance = 263;
constexpr uint16_t kFirstLengthSlot = 271;

// Longest match written. New-distance matches could reach 260 with the distance bonus, but symbol
// 258 repeats the last length, and every decoder handles 257.
constexpr unsigned kMaxMatch = 257;
// The dictionary is 4 MiB; a margin below it keeps every reader's window comfortably ahead.
constexpr uint32_t kWindowSize = 1u << 22;
constexpr uint32_t kMaxDistance = kWindowSize - 1024;
constexpr uint16_t kDictionary4MbFlags = 0xC0;

struct TSlot {
    uint8_t slot;
    uint8_t bits;
    uint32_t extra;
};

// Length value (0..255) to its slot among the 28 length slots.
TSlot LengthSlot(unsigned value);
// Distance - 1 (0..4 MiB - 1) to its slot among the 60 distance slots.
TSlot DistanceSlot(uint32_t value);
// Distance 1..256 of a length-2 match to symbol 263 + slot.
TSlot ShortDistanceSlot(uint32_t distance);

// Matches with a new distance carry one more byte from 8 KiB and another from 256 KiB on.
constexpr unsigned LengthBonus(uint32_t distance) {
    return (distance >= 0x2000 ? 1 : 0) + (distance >= 0x40000 ? 1 : 0);
}

} // namespace mkpayload::lz29
