// Test-side driver for an entry made only of PPM blocks: the symbol loop with its escape codes,
// output into a plain buffer. LZ blocks and filters are outside what these tests feed it.
#pragma once

#include "ppmd/PpmdCommands.h"

#include <cstdint>
#include <span>
#include <vector>

namespace rarlib::testing {

struct PpmDecodeResult {
    bool ended = false; // reached the end-of-file escape
    ppmd::PpmdStatus status = ppmd::PpmdStatus::Ok;
    std::vector<uint8_t> output;
    size_t consumed = 0; // packed bytes read
};

// Decodes `packed` (starting with a PPM block header) with `model`, stopping at the end marker, an
// error, an LZ block, a filter, or once `maxOutput` bytes exist.
PpmDecodeResult decodePpmEntry(ppmd::PpmdModel& model, std::span<const uint8_t> packed, size_t maxOutput);

} // namespace rarlib::testing
