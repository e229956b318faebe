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

} // namespace zarvo
