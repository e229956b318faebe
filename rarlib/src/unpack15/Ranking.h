#pragma once

#include <cstdint>

namespace rarlib {

// An adaptive ordering of the 256 byte values: a value's place in it is what the stream codes, and a
// value moves towards the front as it is used. Each slot holds the value in its high byte and a use
// count in its low byte; `next[c]` is the place that a value reaching count c + 1 takes.
class Ranking {
public:
    // Values in the given order, counts and places cleared.
    void init(const uint8_t (&order)[256]);
    // Sorts the counts back into eight groups of 32 (7 at the front .. 0 at the back).
    void regroup();
    uint8_t valueAt(unsigned place) const { return static_cast<uint8_t>(slots_[place] >> 8); }
    // Counts a use of the value at `place` and moves it; returns its slot after counting. Counts are
    // regrouped when one would reach `countLimit` (256 = when it would wrap).
    uint16_t use(unsigned place, unsigned countLimit);

private:
    uint16_t slots_[256] = {};
    uint8_t next_[256] = {};
};

} // namespace rarlib
