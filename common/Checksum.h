#pragma once
// The checksum the archive format stores for each file.

#include <cstdint>
#include <string_view>

namespace zarvo {

// CRC32 as the archive format stores it, by the system's own implementation.
uint32_t Crc32(std::string_view bytes);

} // namespace zarvo
