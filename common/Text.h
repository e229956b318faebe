#pragma once
// Case rules of the user's locale (Cyrillic letters fold too).

#include <cstdint>
#include <string>

namespace zarvo {

// Upper case by the user's locale; the result has the same length.
std::wstring UpperCase(const std::wstring& text);
// Equal without regard to case, by the user's locale.
bool SameText(const std::wstring& a, const std::wstring& b);
// A number in decimal digits, at least width of them (zeros in front), a minus sign before a negative
// one. Neither the locale nor the printf family is involved.
std::wstring DecimalText(int64_t value, int width = 1);

} // namespace zarvo
