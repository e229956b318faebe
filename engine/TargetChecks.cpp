#include "engine/TargetChecks.h"

#include "archive/ArchiveExtract.h"
#include "common/Folders.h"
#include "common/PathText.h"
#include "engine/FolderTrust.h"
#include "engine/RunTexts.h"

namespace zarvo {

namespace {

// The folder itself, or the nearest of its parents that exists: where the installation starts writing.
// Empty when not even the root exists.
std::wstring NearestExistingFolder(std::wstring path) {
    while (!path.empty() && !DirectoryExists(path))
        path = ParentFolder(path);
    return path;
}

uint64_t Megabytes(uint64_t bytes) {
    return (bytes + (1u << 20) - 1) >> 20;
}

// A file that is replaced (or removed first, in a restore) gives its room back once the new one is in
// place; until then the new one waits beside it in the staging on the same drive, one file at a time.
uint64_t RoomNeeded(const TFolderExtent& extent) {
    if (extent.replacedBytes == 0)
        return extent.unpackedBytes;
    const uint64_t added =
        extent.unpackedBytes > extent.replacedBytes ? extent.unpackedBytes - extent.replacedBytes : 0;
    return added + extent.largestEntry;
}

} // namespace

bool CheckInstallTarget(const std::wstring& installPath, const std::wstring& archivePath,
                        const TSystem& system, TReporter& reporter, TExitCode* refusal) {
    auto Refuse = [&](const std::wstring& text, TExitCode code = ExitFolderRefused) {
        reporter.Error(text);
        if (refusal)
            *refusal = code;
        return false;
    };
    TFolderExtent extent;
    // A payload whose headers cannot be read fails where it is unpacked, with its own message.
    bool listed = ReadFolderExtent(archivePath, DistFolder, installPath, extent);
    // The system's limit holds the terminating zero too.
    if (listed && installPath.size() + 1 + extent.longestName >= MAX_PATH)
        return Refuse(TextPathTooLong);
    // The walk up ends at the drive's root: nothing exists when the drive itself does not, or holds no
    // medium.
    const std::wstring existing = NearestExistingFolder(installPath);
    if (existing.empty())
        return Refuse(TextNoDrive1 + installPath.substr(0, 2) + TextNoDrive2);
    // Before anything is written there: a folder that is a link or not the administrators' own.
    if (TFailure refusal; !FolderTrusted(installPath, refusal))
        return Refuse(refusal.text);
    if (!system.CanWrite(existing))
        return Refuse(TextNoAccess + existing);
    const uint64_t needed = RoomNeeded(extent);
    std::optional<uint64_t> available = system.FreeSpace(existing);
    if (listed && available && *available < needed) {
        wchar_t text[128];
        wsprintfW(text, TextNoSpaceFormat, DWORD(Megabytes(needed)), DWORD(*available >> 20));
        return Refuse(text, ExitNoRoom);
    }
    return true;
}

} // namespace zarvo
