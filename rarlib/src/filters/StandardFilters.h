// Native implementations of the standard filters. Each undoes the archiver's transform of one block;
// `filePos` is the block's offset in its entry (the x86 and IA-64 filters encode addresses
// relative to it).
#pragma once

#include "filters/FilterTypes.h"

#include <cstdint>

namespace rarlib::filters {

// In place over data[0, len).
void decodeE8(uint8_t* data, uint32_t len, uint32_t filePos, bool alsoE9);
void decodeItanium(uint8_t* data, uint32_t len, uint32_t filePos);

// From src[0, len) to dst[0, len); the buffers must not overlap.
void decodeDelta(const uint8_t* src, uint8_t* dst, uint32_t len, uint32_t channels);
void decodeRgb(const uint8_t* src, uint8_t* dst, uint32_t len, uint32_t stride, uint32_t redPos);
void decodeAudio(const uint8_t* src, uint8_t* dst, uint32_t len, uint32_t channels);

// Whether the invocation's length and parameters are ones the filter accepts.
bool filterParametersValid(const FilterInvocation& f);

struct FilterResult {
    uint32_t offset = 0; // where the output lies in the filter memory
    uint32_t length = 0;
};

// Runs f over mem[0, f.blockLength); mem holds kFilterMemorySize + kFilterMemorySlack bytes.
FilterStatus runFilter(const FilterInvocation& f, uint32_t filePos, uint8_t* mem, FilterResult& result);

} // namespace rarlib::filters
