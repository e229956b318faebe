#include "setup/PathText.h"

#include <windows.h>

namespace zarvo {

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

std::wstring FullPath(const std::wstring& path) {
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return path;
    std::wstring full(size, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size)
        return path;
    full.resize(length);
    return full;
}

} // namespace zarvo
