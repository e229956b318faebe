#pragma once
// The OEM code page of the payload's names and the program's own text. The payload writer writes its names
// and the distribution list in code page 866 (the Russian OEM code page); they are read in that code page
// whatever the system's own OEM code page, so that a Windows whose language for non-Unicode programs is not
// Russian installs and removes the same names.

// First: the system headers define OemToAnsi as a macro, and every declaration and call must see it alike.
#include <windows.h>

#include <string>

namespace zarvo {

// The code page of the payload's names and of the distribution list.
inline constexpr UINT PayloadCodePage = 866;

// Text in the payload's code page (archive entry names, lines of the distribution list) as program text.
std::wstring OemToAnsi(const std::string& oemText);
// Program text in the payload's code page, for interfaces that take 8-bit names. Characters the code page
// cannot hold make it fail: false, and nothing written.
bool TextToOem(const std::wstring& text, std::string& oemText);

} // namespace zarvo
