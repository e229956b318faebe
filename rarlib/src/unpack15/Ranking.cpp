#include "unpack15/Ranking.h"

#include <cstring>

namespace rarlib {

void Ranking::init(const uint8_t (&order)[256]) {
    for (unsigned i = 0; i < 256; ++i) {
        slots_[i] = static_cast<uint16_t>(order[i] << 8);
    }
    std::memset(next_, 0, sizeof(next_));
}

void Ranking::regroup() {
    for (unsigned i = 0; i < 256; ++i) {
        slots_[i] = static_cast<uint16_t>((slots_[i] & 0xFF00) | (7 - i / 32));
    }
    std::memset(next_, 0, sizeof(next_));
    for (unsigned c = 0; c < 7; ++c) {
        next_[c] = static_cast<uint8_t>((7 - c) * 32);
    }
}

uint16_t Ranking::use(unsigned place, unsigned countLimit) {
    for (;;) {
        const uint16_t slot = slots_[place];
        const unsigned count = slot & 0xFF;
        const uint8_t target = next_[count]++;
        if (count + 1 < countLimit) {
            // The value changes places with the first of its old count group.
            const auto counted = static_cast<uint16_t>(slot + 1);
            slots_[place] = slots_[target];
            slots_[target] = counted;
            return counted;
        }
        regroup();
    }
}

} // namespace rarlib
