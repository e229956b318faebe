#include "common/Text.h"

#include <windows.h>

namespace zarvo {

std::wstring UpperCase(const std::wstring& text) {
    std::wstring upper = text;
    if (!upper.empty())
        CharUpperBuffW(upper.data(), DWORD(upper.size()));
    return upper;
}

bool SameText(const std::wstring& a, const std::wstring& b) {
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), int(a.size()), b.data(),
                          int(b.size())) == CSTR_EQUAL;
}

std::wstring DecimalText(int64_t value, int width) {
    uint64_t magnitude = value < 0 ? 0 - uint64_t(value) : uint64_t(value);
    std::wstring digits;
    do {
        digits.insert(digits.begin(), wchar_t(L'0' + magnitude % 10));
        magnitude /= 10;
    } while (magnitude != 0);
    if (int(digits.size()) < width)
        digits.insert(0, size_t(width) - digits.size(), L'0');
    return value < 0 ? L"-" + digits : digits;
}

} // namespace zarvo
