// Conversion between UTF-8 (names on the build machine) and CP866, the OEM code page that the
// payload's entry names and Dist.lst are stored in.
#pragma once

#include <string>
#include <string_view>

namespace mkpayload {

// Encodes UTF-8 text as CP866. On failure returns false and says which character is at fault.
bool Utf8ToCp866(std::string_view utf8, std::string& cp866, std::string& error);

std::string Cp866ToUtf8(std::string_view cp866);

// The name for a message: control characters and bytes that are not UTF-8 become \xNN.
std::string PrintableName(std::string_view utf8);

// Folds ASCII and Cyrillic letters to upper case, the way Windows compares file names.
char Cp866ToUpper(char c);
std::string Cp866ToUpper(std::string_view cp866);

} // namespace mkpayload
