#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "mkpayload/BitWriter.h"

namespace rarlib::test {

// Writes packed streams of the 2.9 LZ method for tests. Its tables give every main symbol a 9-bit
// code, every distance symbol 6 bits and the low-distance and repeat-length symbols 5 bits, so each
// symbol is written as its own number.
class LzStreamBuilder {
public:
    // A table block: "LZ", the keep bit, the pre-code and the 404 lengths (as deltas from the last).
    LzStreamBuilder& table(bool keepOld = false);
    LzStreamBuilder& literal(uint8_t byte);
    LzStreamBuilder& literals(const char* text);
    // A match (symbols 271-298) with the distance coded through the distance and low-distance tables.
    LzStreamBuilder& match(uint32_t length, uint32_t distance);
    // Symbols 259-262: repeat the k-th last distance with a new length.
    LzStreamBuilder& repeatDistance(unsigned k, uint32_t length);
    LzStreamBuilder& repeatLast(); // symbol 258
    LzStreamBuilder& endOfFile(bool newTableNext = false);
    LzStreamBuilder& newTable();     // symbol 256 followed by a table here
    LzStreamBuilder& filterRecord(); // symbol 257 with a minimal record (that defines no filter)
    // Symbol 257 with a record: its flag byte (length code included) and the bytes after the length.
    LzStreamBuilder& filterRecord(uint8_t first, const std::vector<uint8_t>& body);
    LzStreamBuilder& ppmBlock(); // a block header announcing PPMd
    LzStreamBuilder& blockEnd(); // symbol 256 announcing a new block here, the header left to the caller
    // Whole bytes at the next byte boundary, such as a PPM block made by another encoder.
    LzStreamBuilder& bytes(const std::vector<uint8_t>& data);
    LzStreamBuilder& rawBits(uint32_t value, unsigned count);
    std::vector<uint8_t> finish();

private:
    void symbol(uint32_t sym) { rawBits(sym, 9); }
    void align() { bits_.Align(); }

    mkpayload::TBitWriter bits_;
    std::array<uint8_t, 404> lastLengths_{};
};

} // namespace rarlib::test
