#pragma once
// The OEM code page of the payload's names and the program's own text.

// First: the system headers define OemToAnsi as a macro, and every declaration and call must see it alike.
#include <windows.h>

#include <string>

namespace zarvo {

// Text in the OEM code page (archive entry names, lines of the distribution list) as program text.
std::wstring OemToAnsi(const std::string& oemText);
// Program text in the OEM code page, for interfaces that take 8-bit names. Characters the code page
// cannot hold make it fail: false, and nothing written.
bool TextToOem(const std::wstring& text, std::string& oemText);

} // namespace zarvo
