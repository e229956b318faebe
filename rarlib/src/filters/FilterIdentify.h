// Recognises the standard filters by their code's size and CRC32; no filter code is ever run.
#pragma once

#include "filters/FilterTypes.h"

#include <cstdint>
#include <optional>
#include <span>

namespace rarlib::filters {

// The filter a record's code stands for, or nothing for codes that fail the format's XOR check or
// match no standard filter (including the text filter the archiver never emits).
std::optional<FilterType> identifyFilter(std::span<const uint8_t> code);

} // namespace rarlib::filters
