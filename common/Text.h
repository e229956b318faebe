#pragma once
// Case rules of the user's locale (Cyrillic letters fold too).

#include <string>

namespace zarvo {

// Upper case by the user's locale; the result has the same length.
std::wstring UpperCase(const std::wstring& text);
// Equal without regard to case, by the user's locale.
bool SameText(const std::wstring& a, const std::wstring& b);

} // namespace zarvo
