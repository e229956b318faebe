#include "app/TargetChecks.h"

#include "app/RunTexts.h"
#include "archive/ArchiveExtract.h"
#include "common/Text.h"
#include "common/CommonUtils.h"
#include "setup/SetupConstants.h"

namespace zarvo {

namespace {

std::optional<uint64_t> SystemFreeSpace(const std::wstring& folder) {
    ULARGE_INTEGER available{};
    if (!GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr))
        return std::nullopt;
    return available.QuadPart;
}

// The folder itself, or the nearest of its parents that exists: where the installation starts writing.
std::wstring NearestExistingFolder(std::wstring path) {
    while (!path.empty() && !DirectoryExists(path)) {
        size_t parent = path.find_last_of(L"\\/");
        if (parent == std::wstring::npos)
            return {};
        path.resize(parent);
        if (!path.empty() && path.back() == L':')
            path += L'\\';
    }
    return path;
}

bool CanWriteIn(const std::wstring& folder) {
    wchar_t probe[MAX_PATH];
    if (GetTempFileNameW(folder.c_str(), L"zrv", 0, probe) == 0)
        return false;
    DeleteFileW(probe);
    return true;
}

uint64_t Megabytes(uint64_t bytes) {
    return (bytes + (1u << 20) - 1) >> 20;
}

bool Refuse(const std::wstring& text) {
    ReportError(text, ErrorCaption);
    return false;
}

} // namespace

TFreeSpaceQuery FreeSpaceQuery = &SystemFreeSpace;
TWriteProbe WriteProbe = &CanWriteIn;

bool CheckInstallTarget(const std::wstring& installPath, const std::wstring& archivePath) {
    uint64_t needed = 0;
    size_t longestName = 0;
    // A payload whose headers cannot be read fails where it is unpacked, with its own message.
    bool listed = ReadFolderExtent(archivePath, DistFolder, needed, longestName);
    // The system's limit holds the terminating zero too.
    if (listed && installPath.size() + 1 + longestName >= MAX_PATH)
        return Refuse(TextPathTooLong);
    const std::wstring existing = NearestExistingFolder(installPath);
    if (existing.empty() || !WriteProbe(existing))
        return Refuse(TextNoAccess + (existing.empty() ? installPath : existing));
    std::optional<uint64_t> available = FreeSpaceQuery(existing);
    if (listed && available && *available < needed)
        return Refuse(TextNoSpace1 + DecimalText(int64_t(Megabytes(needed))) + TextNoSpace2 +
                      DecimalText(int64_t(*available >> 20)) + TextNoSpace3);
    return true;
}

} // namespace zarvo
