#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace rarlib {

// Strict UTF-8 decoding (no overlongs, no surrogates); nullopt when the bytes are not UTF-8.
std::optional<std::u16string> utf8ToUtf16(std::string_view bytes);

// Unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);

bool isAscii(std::string_view bytes);

} // namespace rarlib
