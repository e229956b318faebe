#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace rarlib {

// Expands the compact UTF-16 encoding that follows the zero byte of a name with the Unicode flag.
// `plain` is the part before the zero byte, `encoded` the part after it. Stops quietly at the end of
// the input; the result has no terminator.
std::u16string decodeUnicodeName(std::span<const uint8_t> plain, std::span<const uint8_t> encoded);

} // namespace rarlib
