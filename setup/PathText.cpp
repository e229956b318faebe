#include "setup/PathText.h"

#include <windows.h>

namespace zarvo {

std::wstring LocaleUpperCase(const std::wstring& text) {
    if (text.empty())
        return text;
    int size = LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_UPPERCASE, text.data(), int(text.size()), nullptr, 0);
    if (size <= 0)
        return text;
    std::wstring result(size_t(size), L'\0');
    LCMapStringW(LOCALE_USER_DEFAULT, LCMAP_UPPERCASE, text.data(), int(text.size()), result.data(), size);
    return result;
}

std::wstring WithoutTrailingBackslash(const std::wstring& folder) {
    if (!folder.empty() && folder.back() == L'\\')
        return folder.substr(0, folder.size() - 1);
    return folder;
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    if (!folder.empty() && folder.back() == L'\\')
        return folder + name;
    return folder + L"\\" + name;
}

} // namespace zarvo
