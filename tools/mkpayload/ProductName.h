// Rules a product file's name must meet to survive the trip into the payload and onto a Windows disk.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mkpayload {

// The installer reads entry names through a 260-byte, zero-terminated field, so a stored name
// ("Dist\" + the file's name) has at most 259 bytes.
inline constexpr size_t kMaxStoredNameBytes = 259;
inline constexpr std::string_view kDistFolderPrefix = "Dist\\";

// Checks a file name (UTF-8, as the build machine has it) and gives its CP866 form. On failure
// `error` says why the name cannot be used.
bool EncodeProductName(std::string_view utf8Name, std::string& cp866Name, std::string& error);

} // namespace mkpayload
