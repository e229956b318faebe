#include "common/Owners.h"

#include "common/Folders.h"
#include "common/Handles.h"

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

bool HasTrustedOwner(HANDLE object) {
    TOwnerInfo owner, windowsOwner;
    if (!ReadOwner(object, owner))
        return false;
    const THandle windowsFolder(CreateFileW(GetWindowsFolder().c_str(), READ_CONTROL,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return IsTrustedOwner(owner.owner, windowsFolder && ReadOwner(windowsFolder.Get(), windowsOwner)
                                           ? windowsOwner.owner
                                           : nullptr);
}

} // namespace zarvo
