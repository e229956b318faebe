// The LZ block header: the 404 code lengths of the four tables, run-length coded with a 20-symbol
// pre-code, either as they are or as changes against the previous block's lengths.
#pragma once

#include "BitWriter.h"
#include "Lz29Format.h"

#include <array>
#include <cstdint>

namespace mkpayload::lz29 {

using TCodeLengths = std::array<uint8_t, kTableSize>;

// Writes the header (from the LZ/PPM bit on; the caller aligns first) and returns its size in
// bits. With `out` null it only measures. The cheaper of the plain and the change coding is used.
uint64_t WriteTableHeader(const TCodeLengths& lengths, const TCodeLengths& previous, TBitWriter* out);

} // namespace mkpayload::lz29
