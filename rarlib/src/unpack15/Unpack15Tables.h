#pragma once

#include <cstdint>

// The fixed prefix codes of the 1.5 method. A code is read from the next 16 bits v (low four cleared):
// its length is `firstBits` plus the number of `limits` not above v, and the value is the offset of v
// within its length group plus `base[length]`. Every limit list ends with 0xFFFF, above any v.
namespace rarlib::lz15 {

struct StepCode {
    unsigned firstBits;
    uint16_t limits[12];
    uint16_t base[13];
};

// Match lengths.
constexpr StepCode kLength1 = {
    2,
    {0x8000, 0xA000, 0xC000, 0xD000, 0xE000, 0xEA00, 0xEE00, 0xF000, 0xF200, 0xF200, 0xFFFF},
    {0, 0, 0, 2, 3, 5, 7, 11, 16, 20, 24, 32, 32}};
constexpr StepCode kLength2 = {
    3,
    {0xA000, 0xC000, 0xD000, 0xE000, 0xEA00, 0xEE00, 0xF000, 0xF200, 0xF240, 0xFFFF},
    {0, 0, 0, 0, 5, 7, 9, 13, 18, 22, 26, 34, 36}};
// Places in the adaptive orderings, from flat (0) to steep (4).
constexpr StepCode kPlace0 = {4,
                              {0x8000, 0xC000, 0xE000, 0xF200, 0xF200, 0xF200, 0xF200, 0xF200, 0xFFFF},
                              {0, 0, 0, 0, 0, 8, 16, 24, 33, 33, 33, 33, 33}};
constexpr StepCode kPlace1 = {5,
                              {0x2000, 0xC000, 0xE000, 0xF000, 0xF200, 0xF200, 0xF7E0, 0xFFFF},
                              {0, 0, 0, 0, 0, 0, 4, 44, 60, 76, 80, 80, 127}};
constexpr StepCode kPlace2 = {
    5, {0x1000, 0x2400, 0x8000, 0xC000, 0xFA00, 0xFFFF}, {0, 0, 0, 0, 0, 0, 2, 7, 53, 117, 233, 0, 0}};
constexpr StepCode kPlace3 = {
    6, {0x0800, 0x2400, 0xEE00, 0xFE80, 0xFFFF}, {0, 0, 0, 0, 0, 0, 0, 2, 16, 218, 251, 0, 0}};
constexpr StepCode kPlace4 = {8, {0xFF00, 0xFFFF}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 255, 0, 0, 0}};

// The short-match prefix code, in two variants chosen by the recent match lengths: code i is the
// top lengths[i] bits of patterns[i]. One length in each is not fixed (kFlexible): 3 or 4 bits as
// the stream toggles it.
constexpr uint8_t kFlexible = 0;
constexpr uint8_t kShortLengths1[15] = {1, kFlexible, 4, 4, 5, 6, 7, 8, 8, 4, 4, 5, 6, 6, 4};
constexpr uint8_t kShortPatterns1[15] = {0x00, 0xA0, 0xD0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE,
                                         0xFF, 0xC0, 0x80, 0x90, 0x98, 0x9C, 0xB0};
constexpr uint8_t kShortLengths2[15] = {2, 3, 3, kFlexible, 4, 4, 5, 6, 6, 4, 4, 5, 6, 6, 4};
constexpr uint8_t kShortPatterns2[15] = {0x00, 0x40, 0x60, 0xA0, 0xD0, 0xE0, 0xF0, 0xF8,
                                         0xFC, 0xC0, 0x80, 0x90, 0x98, 0x9C, 0xB0};

} // namespace rarlib::lz15
