// Runs the 2.9 decoder over packed bytes in memory and keeps what it writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "unpack/Unpack29.h"

namespace rarlib::test {

struct DecodeResult {
    Status status;
    std::string out;
};

DecodeResult decodeEntry(Unpack29& u, const std::vector<uint8_t>& packed, uint64_t size, bool solid = false);
DecodeResult decodeEntry(const std::vector<uint8_t>& packed, uint64_t size);

} // namespace rarlib::test
