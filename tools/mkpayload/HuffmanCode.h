// Canonical Huffman codes built from symbol counts, limited in length and always complete
// (some readers refuse a code whose lengths leave bit patterns unused).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace mkpayload {

// Code lengths (0 = symbol unused) for the given counts, none longer than maxLength. One used
// symbol gets length 1 together with an unused partner; no used symbol gives all zeros.
std::vector<uint8_t> BuildCodeLengths(std::span<const uint32_t> counts, unsigned maxLength);

// The canonical code of every symbol: shorter codes first, equal lengths in symbol order.
std::vector<uint16_t> CanonicalCodes(std::span<const uint8_t> lengths);

} // namespace mkpayload
