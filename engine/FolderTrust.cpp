#include "engine/FolderTrust.h"

#include "common/Folders.h"
#include "common/Handles.h"
#include "common/Owners.h"
#include "common/PathText.h"
#include "common/PlainFiles.h"
#include "common/Text.h"
#include "engine/RunTexts.h"

namespace zarvo {

namespace {

// The folder itself, a link as the link it is.
THandle OpenAsItself(const std::wstring& folder, DWORD access) {
    return THandle(CreateFileW(folder.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

// Neither a link nor reached through one: the folder's own final path is the one resolved above it.
bool IsPlainFolderAt(HANDLE handle, const std::wstring& resolved) {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileInformationByHandle(handle, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && SameText(FinalPathOf(handle), resolved);
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
        const THandle handle = OpenAsItself(above, READ_CONTROL);
        if (!handle || UntrustedRightsOf(handle.Get(), AboveChanges) != 0) {
            refusal = {ERROR_ACCESS_DENIED, TextFolderAboveMovable + above};
            return false;
        }
    }
    return true;
}

} // namespace

std::wstring ResolvedFolderPath(const std::wstring& folder) {
    const std::wstring full = WithoutTrailingBackslashes(folder);
    for (std::wstring above = ParentFolder(full); !above.empty(); above = ParentFolder(above)) {
        if (!DirectoryExists(above))
            continue;
        const THandle handle(CreateFileW(above.c_str(), FILE_READ_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        const std::wstring finalPath = handle ? FinalPathOf(handle.Get()) : std::wstring();
        return finalPath.empty() ? finalPath
                                 : JoinPath(finalPath, full.substr(WithTrailingBackslash(above).size()));
    }
    return {};
}

bool FolderTrusted(const std::wstring& folder, TFailure& refusal, TFolderAccess access) {
    // Links above the folder are followed once, here; both paths are then checked.
    const std::wstring resolved = ResolvedFolderPath(folder);
    if (resolved.empty()) {
        refusal = {ERROR_PATH_NOT_FOUND, TextFolderRedirected + folder};
        return false;
    }
    if (!DirectoryExists(folder))
        return AboveTrusted(folder, refusal) && AboveTrusted(resolved, refusal);
    THandle handle = OpenAsItself(folder, READ_CONTROL);
    if (!handle || !IsPlainFolderAt(handle.Get(), resolved)) {
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
    return AboveTrusted(folder, refusal) && AboveTrusted(resolved, refusal);
}

THeldFolder HoldFolder(const std::wstring& folder, TFailure& failure) {
    // By the path checked: a link put on the way since, or in the folder's place, makes it fail.
    return THeldFolder::Open(ResolvedFolderPath(folder), failure);
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
