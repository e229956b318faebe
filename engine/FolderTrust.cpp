#include "engine/FolderTrust.h"

#include "common/Folders.h"
#include "common/Handles.h"
#include "common/PathText.h"
#include "common/PlainFiles.h"
#include "engine/RunTexts.h"

#include <aclapi.h>
#include <sddl.h>

namespace zarvo {

namespace {

constexpr wchar_t TrustedInstallerSid[] = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// The owner from a security descriptor the system allocated; freed with it.
struct TOwnerInfo {
    PSID owner = nullptr;
    TLocalMemory descriptor;
};

bool ReadOwner(HANDLE object, TOwnerInfo& info) {
    return GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &info.owner, nullptr, nullptr,
                           nullptr, info.descriptor.Receive()) == ERROR_SUCCESS;
}

THandle OpenFolder(const std::wstring& folder) {
    return OpenPlainFile(folder, READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
}

} // namespace

bool IsTrustedOwner(PSID owner, PSID windowsFolderOwner) {
    if (owner == nullptr || !IsValidSid(owner))
        return false;
    if (IsWellKnownSid(owner, WinBuiltinAdministratorsSid) || IsWellKnownSid(owner, WinLocalSystemSid))
        return true;
    TLocalMemory trustedInstaller;
    const bool trusted = ConvertStringSidToSidW(TrustedInstallerSid, trustedInstaller.Receive()) &&
                         EqualSid(owner, trustedInstaller.Get());
    return trusted || (windowsFolderOwner != nullptr && EqualSid(owner, windowsFolderOwner));
}

bool FolderTrusted(const std::wstring& folder, TFailure& refusal) {
    if (!DirectoryExists(folder))
        return true;
    THandle handle = OpenFolder(folder);
    if (!handle) {
        refusal = {ERROR_ACCESS_DENIED, TextFolderRedirected + folder};
        return false;
    }
    THandle windowsFolder = OpenFolder(GetWindowsFolder());
    TOwnerInfo owner, windowsOwner;
    if (!ReadOwner(handle.Get(), owner) ||
        !IsTrustedOwner(owner.owner, windowsFolder && ReadOwner(windowsFolder.Get(), windowsOwner)
                                         ? windowsOwner.owner
                                         : nullptr)) {
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
