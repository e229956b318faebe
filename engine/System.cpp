#include "engine/System.h"

#include "common/Handles.h"
#include "common/PathText.h"
#include "common/Text.h"

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
    // A new name only, never one that is there (a link included), and deleted through its own handle.
    const std::wstring base = JoinPath(folder, L"zrv") + DecimalText(GetCurrentProcessId()) + L"-";
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        THandle probe(CreateFileW((base + DecimalText(attempt) + L".tmp").c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_DELETE_ON_CLOSE,
                                  nullptr));
        if (probe)
            return true;
        if (GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    return false;
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
