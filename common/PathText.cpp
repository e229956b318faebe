#include "common/PathText.h"

#include <windows.h>

#include <algorithm>

namespace zarvo {

namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// How much of the path is its root: "C:\" 3, "C:" 2, "\\server\share" up to the share's end, "\" 1;
// 0 for a relative path.
size_t RootLength(const std::wstring& path) {
    if (path.size() >= 2 && path[1] == L':')
        return path.size() >= 3 && IsSeparator(path[2]) ? 3 : 2;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        size_t server = path.find_first_of(L"\\/", 2);
        size_t share = server == std::wstring::npos ? server : path.find_first_of(L"\\/", server + 1);
        return share == std::wstring::npos ? path.size() : share;
    }
    return !path.empty() && IsSeparator(path[0]) ? 1 : 0;
}

} // namespace

std::wstring ParentFolder(const std::wstring& path) {
    const size_t root = RootLength(path);
    size_t end = path.size();
    while (end > root && IsSeparator(path[end - 1]))
        --end;
    if (end <= root)
        return {};
    size_t cut = path.find_last_of(L"\\/", end - 1);
    if (cut == std::wstring::npos || cut < root)
        return path.substr(0, root);
    while (cut > root && IsSeparator(path[cut - 1]))
        --cut;
    return path.substr(0, std::max(cut, root));
}

bool IsRootPath(const std::wstring& path) {
    const size_t root = RootLength(path);
    if (root == 0)
        return false;
    size_t end = path.size();
    while (end > root && IsSeparator(path[end - 1]))
        --end;
    return end <= root;
}

std::wstring FileNameOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring WithoutTrailingBackslashes(std::wstring path) {
    while (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path;
}

std::wstring WithTrailingBackslash(std::wstring folder) {
    if (folder.empty() || folder.back() != L'\\')
        folder += L'\\';
    return folder;
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
    return WithTrailingBackslash(folder) + name;
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
