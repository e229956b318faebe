#include "engine/FolderTrust.h"

#include "common/Folders.h"
#include "common/Handles.h"
#include "common/Owners.h"
#include "common/PathText.h"
#include "common/PlainFiles.h"
#include "engine/RunTexts.h"

namespace zarvo {

namespace {

THandle OpenFolder(const std::wstring& folder) {
    return OpenPlainFile(folder, READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
}

// What others than the trusted may not do to the installation folder, and to every folder above it.
constexpr ACCESS_MASK FolderChanges =
    FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER;
constexpr ACCESS_MASK AboveChanges = FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER;

// No folder on the path up to the drive's root can be renamed, replaced or given another list by others
// than the trusted. Each is read as itself: a link above the folder is no refusal, only what it allows.
bool AboveTrusted(const std::wstring& folder, TFailure& refusal) {
    for (std::wstring above = ParentFolder(folder); !above.empty(); above = ParentFolder(above)) {
        if (!DirectoryExists(above))
            continue;
        const THandle handle(CreateFileW(
            above.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!handle || UntrustedRightsOf(handle.Get(), AboveChanges) != 0) {
            refusal = {ERROR_ACCESS_DENIED, TextFolderAboveMovable + above};
            return false;
        }
    }
    return true;
}

} // namespace

bool FolderTrusted(const std::wstring& folder, TFailure& refusal, TFolderAccess access) {
    if (!DirectoryExists(folder))
        return AboveTrusted(folder, refusal);
    THandle handle = OpenFolder(folder);
    if (!handle) {
        refusal = {ERROR_ACCESS_DENIED, TextFolderRedirected + folder};
        return false;
    }
    if (!HasTrustedOwner(handle.Get())) {
        refusal = {ERROR_ACCESS_DENIED, TextFolderNotOwned + folder};
        return false;
    }
    if (access == TFolderAccess::Checked && UntrustedRightsOf(handle.Get(), FolderChanges) != 0) {
        refusal = {ERROR_ACCESS_DENIED, TextFolderWritable + folder};
        return false;
    }
    return AboveTrusted(folder, refusal);
}

THeldFolder HoldFolder(const std::wstring& folder, TFailure& failure) {
    return THeldFolder::Open(folder, failure);
}

bool CreateInstallFolder(const std::wstring& folder) {
    std::wstring top = WithoutTrailingBackslashes(folder);
    if (DirectoryExists(top))
        return true;
    for (std::wstring parent = ParentFolder(top);
         !parent.empty() && !IsRootPath(parent) && !DirectoryExists(parent); parent = ParentFolder(top))
        top = parent;
    return CreateFolderWithAccess(top, InstallFolderAccess) && ForceDirectories(folder);
}

} // namespace zarvo
