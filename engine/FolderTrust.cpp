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

} // namespace

bool FolderTrusted(const std::wstring& folder, TFailure& refusal) {
    if (!DirectoryExists(folder))
        return true;
    THandle handle = OpenFolder(folder);
    if (!handle) {
        refusal = {ERROR_ACCESS_DENIED, TextFolderRedirected + folder};
        return false;
    }
    if (!HasTrustedOwner(handle.Get())) {
        refusal = {ERROR_ACCESS_DENIED, TextFolderNotOwned + folder};
        return false;
    }
    return true;
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
