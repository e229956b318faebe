#include "support/LzStreamBuilder.h"

#include <stdexcept>

#include "unpack/Unpack29Tables.h"

namespace rarlib::test {

using namespace lz29;

LzStreamBuilder& LzStreamBuilder::rawBits(uint32_t value, unsigned count) {
    bits_.Put(value, count);
    return *this;
}

LzStreamBuilder& LzStreamBuilder::table(bool keepOld) {
    align();
    rawBits(0, 1);
    rawBits(keepOld ? 1 : 0, 1);
    if (!keepOld) {
        lastLengths_.fill(0);
    }
    // Pre-code: all 20 symbols 5 bits long, so pre-code symbol s is written as s in 5 bits.
    for (size_t i = 0; i < kPreSymbols; ++i) {
        rawBits(5, 4);
    }
    for (size_t i = 0; i < kTableLengths; ++i) {
        uint8_t len = 5;
        if (i < kMainSymbols) {
            len = 9;
        } else if (i < kMainSymbols + kDistSymbols) {
            len = 6;
        }
        rawBits((len - lastLengths_[i]) & 0xF, 5);
        lastLengths_[i] = len;
    }
    return *this;
}

LzStreamBuilder& LzStreamBuilder::literal(uint8_t byte) {
    symbol(byte);
    return *this;
}

LzStreamBuilder& LzStreamBuilder::literals(const char* text) {
    for (; *text; ++text) {
        literal(static_cast<uint8_t>(*text));
    }
    return *this;
}

LzStreamBuilder& LzStreamBuilder::match(uint32_t length, uint32_t distance) {
    if (distance >= 0x2000) {
        --length;
    }
    if (distance >= 0x40000) {
        --length;
    }
    uint32_t slot = 27;
    while (kLengthBase[slot] + 3u > length) {
        --slot;
    }
    if (length - 3 - kLengthBase[slot] >= (1u << kLengthBits[slot])) {
        throw std::invalid_argument("length not representable");
    }
    symbol(271 + slot);
    rawBits(length - 3 - kLengthBase[slot], kLengthBits[slot]);
    uint32_t ds = kDistSymbols - 1;
    while (kDistance.base[ds] + 1 > distance) {
        --ds;
    }
    const uint32_t extra = distance - 1 - kDistance.base[ds];
    const unsigned bits = kDistance.bits[ds];
    rawBits(ds, 6);
    if (ds > 9) {
        rawBits(extra >> 4, bits - 4);
        rawBits(extra & 0xF, 5); // low-distance symbol
    } else {
        rawBits(extra, bits);
    }
    return *this;
}

LzStreamBuilder& LzStreamBuilder::repeatDistance(unsigned k, uint32_t length) {
    symbol(259 + k);
    uint32_t slot = 27;
    while (kLengthBase[slot] + 2u > length) {
        --slot;
    }
    rawBits(slot, 5);
    rawBits(length - 2 - kLengthBase[slot], kLengthBits[slot]);
    return *this;
}

LzStreamBuilder& LzStreamBuilder::repeatLast() {
    symbol(258);
    return *this;
}

LzStreamBuilder& LzStreamBuilder::endOfFile(bool newTableNext) {
    symbol(256);
    rawBits(0, 1);
    rawBits(newTableNext ? 1 : 0, 1);
    return *this;
}

LzStreamBuilder& LzStreamBuilder::newTable() {
    symbol(256);
    rawBits(1, 1);
    return table(true);
}

LzStreamBuilder& LzStreamBuilder::filterRecord() {
    symbol(257);
    // Flag byte with a one-byte record (a filter number selecting "reset").
    rawBits(0x80, 8);
    rawBits(0x00, 8);
    return *this;
}

LzStreamBuilder& LzStreamBuilder::filterRecord(uint8_t first, const std::vector<uint8_t>& body) {
    symbol(257);
    rawBits(first, 8);
    if ((first & 7) == 6) {
        rawBits(static_cast<uint32_t>(body.size() - 7), 8);
    } else if ((first & 7) == 7) {
        rawBits(static_cast<uint32_t>(body.size()), 16);
    }
    for (uint8_t b : body) {
        rawBits(b, 8);
    }
    return *this;
}

LzStreamBuilder& LzStreamBuilder::blockEnd() {
    symbol(256);
    return rawBits(1, 1);
}

LzStreamBuilder& LzStreamBuilder::bytes(const std::vector<uint8_t>& data) {
    align();
    for (uint8_t b : data) {
        rawBits(b, 8);
    }
    return *this;
}

LzStreamBuilder& LzStreamBuilder::ppmBlock() {
    align();
    rawBits(0xA0 | 7, 8); // PPMd, reset with order 8
    rawBits(0, 8);        // 1 MiB
    return rawBits(0, 32);
}

std::vector<uint8_t> LzStreamBuilder::finish() {
    return bits_.Finish();
}

} // namespace rarlib::test
