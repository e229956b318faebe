#include "tests/support/Links.h"

#include <windows.h>

#include <vector>

namespace zarvo::testing {

namespace {

// The host's name of a Windows path, through Wine's own export; empty when there is none.
std::string HostPath(const std::wstring& path) {
    using TUnixName = char*(CDECL*)(const wchar_t*);
    auto unixName = reinterpret_cast<TUnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName ? unixName(path.c_str()) : nullptr;
    std::string result = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return result;
}

// Starts a host program with its arguments. Wine gives no handle for a host process: the caller waits for
// what it does to show.
bool StartHost(const wchar_t* program, std::vector<std::string> arguments) {
    std::wstring line = program;
    for (const std::string& argument : arguments) {
        if (argument.empty())
            return false;
        std::wstring wide(MultiByteToWideChar(CP_UTF8, 0, argument.c_str(), -1, nullptr, 0), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, argument.c_str(), -1, wide.data(), int(wide.size()));
        wide.pop_back();
        line += L" \"" + wide + L"\"";
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    for (HANDLE handle : {process.hThread, process.hProcess})
        if (handle)
            CloseHandle(handle);
    return true;
}

bool PathShows(const std::wstring& path, bool there) {
    for (int wait = 0; wait < 100; ++wait) {
        if ((GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) == there) {
            // A host process still ending as the test goes on can take the test process with it.
            Sleep(200);
            return true;
        }
        Sleep(50);
    }
    return false;
}

} // namespace

bool MakeSymbolicLink(const std::wstring& target, const std::wstring& link) {
    return StartHost(L"Z:\\bin\\ln", {"-s", HostPath(target), HostPath(link)}) && PathShows(link, true);
}

bool RemoveSymbolicLink(const std::wstring& link) {
    // A removal started for nothing could take a link made after it.
    if (GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES)
        return true;
    return StartHost(L"Z:\\bin\\rm", {"-f", HostPath(link)}) && PathShows(link, false);
}

} // namespace zarvo::testing
