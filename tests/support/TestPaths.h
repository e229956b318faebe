#pragma once
// Paths the Windows tests need: their own folder, and files of the Linux build tree seen through Wine.
// Needs nothing but the system headers, so that the library's DLL test can include it too.

#include <windows.h>

#include <string>

namespace zarvo::testing {

// The folder of the running test program, without a trailing backslash.
inline std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring self(path, length);
    return self.substr(0, self.rfind(L'\\'));
}

// A Unix path (UTF-8) as Wine shows it: on drive Z:, with backslashes.
inline std::wstring WinePath(const char* unixPath) {
    int length = MultiByteToWideChar(CP_UTF8, 0, unixPath, -1, nullptr, 0);
    std::wstring path(size_t(length > 0 ? length - 1 : 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, unixPath, -1, path.data(), length);
    for (wchar_t& c : path)
        if (c == L'/')
            c = L'\\';
    return L"Z:" + path;
}

} // namespace zarvo::testing
