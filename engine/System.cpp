#include "engine/System.h"

#include "common/Folders.h"

namespace zarvo {

namespace {

std::optional<uint64_t> SystemFreeSpace(const std::wstring& folder) {
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr))
        return std::nullopt;
    return available.QuadPart;
}

bool CanWriteIn(const std::wstring& folder) {
    wchar_t probe[MAX_PATH];
    if (GetTempFileNameW(folder.c_str(), L"zrv", 0, probe) == 0)
        return false;
    DeleteFileW(probe);
    return true;
}

TSystem MakeDefaultSystem() {
    TSystem system;
    system.freeSpace = &SystemFreeSpace;
    system.canWrite = &CanWriteIn;
    system.sleep = [](DWORD milliseconds) {
        Sleep(milliseconds);
    };
    system.stagingParent = [](const std::wstring&) {
        return GetTempFolder();
    };
    return system;
}

const TSystem defaultSystem = MakeDefaultSystem();

} // namespace

const TSystem& DefaultSystem() {
    return defaultSystem;
}

} // namespace zarvo
