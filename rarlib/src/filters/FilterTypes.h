// Types shared by the filter record parser, the standard filters and the write border.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rarlib::filters {

// Values are the C interface's ERAR_* codes. A write callback's nonzero result is passed on as is.
enum class FilterStatus : int {
    Ok = 0,
    NoMemory = 11,
    BadData = 12,
    UnknownFormat = 14, // filter code that is none of the standard filters
};

enum class FilterType : uint8_t { E8, E8E9, Itanium, Delta, Rgb, Audio };

// One pending application of a filter to the block [blockStart, blockStart + blockLength) of the
// decoded stream (absolute positions in the solid stream).
struct FilterInvocation {
    FilterType type = FilterType::E8;
    uint64_t blockStart = 0;
    uint32_t blockLength = 0;
    uint32_t regs[7] = {}; // R0 channels/stride, R1 colour position; the rest as the format sets them
};

// The decoder's window as the write border sees it: a ring of mask + 1 bytes (a power of two) where
// stream position p lives at data[p & mask].
struct WindowView {
    const uint8_t* data = nullptr;
    size_t mask = 0;
};

// Filter memory: blocks are copied here and filtered; the format's VM has 0x40000 bytes, and the
// global area at 0x3C000 bounds what a block may use.
inline constexpr uint32_t kFilterMemorySize = 0x40000;
inline constexpr uint32_t kGlobalAreaStart = 0x3C000;
// Room for the 32-bit reads a filter makes at the end of its block.
inline constexpr uint32_t kFilterMemorySlack = 4;

inline constexpr size_t kMaxFilters = 8192;    // known filters, and pending invocations
inline constexpr uint32_t kMaxChannels = 1024; // DELTA and AUDIO, as the reference reader allows

} // namespace rarlib::filters
