#include "engine/System.h"

namespace zarvo {

namespace {

const TSystem defaultSystem;

} // namespace

std::optional<uint64_t> TSystem::FreeSpace(const std::wstring& folder) const {
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr))
        return std::nullopt;
    return available.QuadPart;
}

bool TSystem::CanWrite(const std::wstring& folder) const {
    wchar_t probe[MAX_PATH];
    if (GetTempFileNameW(folder.c_str(), L"zrv", 0, probe) == 0)
        return false;
    DeleteFileW(probe);
    return true;
}

void TSystem::Wait(DWORD milliseconds) const {
    Sleep(milliseconds);
}

void TSystem::StartupFileWritten(const std::wstring&) const {}

bool TSystem::PlacementFails(const std::wstring&) const {
    return false;
}

const TSystem& DefaultSystem() {
    return defaultSystem;
}

} // namespace zarvo
