// Builds filter records the way the archiver lays them out, for the filter tests.
#pragma once

#include "filters/FilterTypes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "mkpayload/BitWriter.h"

namespace rarlib::filters::testing {

// The filter records' fields: variable-length numbers and bytes that need not start a byte.
class BitWriter : public mkpayload::TBitWriter {
public:
    void number(uint32_t v); // the format's variable-length number, shortest form
    void bytes(const std::vector<uint8_t>& b);
};

// A code with the standard filter's size and CRC32 and a valid XOR byte, so that it is recognised
// as that filter (the real programs are not needed: only their fingerprint is ever looked at).
std::vector<uint8_t> forgeStandardCode(FilterType type);
uint32_t standardCodeSize(FilterType type);

struct RecordFields {
    std::optional<uint32_t> number; // the stored number: 0 = reset, n = filter n - 1
    bool startPlus258 = false;
    uint32_t start = 0;
    std::optional<uint32_t> length;
    std::array<std::optional<uint32_t>, 7> regs{};
    std::vector<uint8_t> code;          // for a new filter
    std::optional<uint32_t> globalSize; // global data of that many zero bytes
};

struct Record {
    uint8_t first = 0; // flag bits; the length code is filled in too
    std::vector<uint8_t> body;
};
Record buildRecord(const RecordFields& fields);

} // namespace rarlib::filters::testing
