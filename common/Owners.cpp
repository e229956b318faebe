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

// The owner of the Windows folder itself, which the system's own files trust; no owner when unknown.
struct TWindowsFolderOwner : TOwnerInfo {
    TWindowsFolderOwner() {
        const THandle folder(CreateFileW(GetWindowsFolder().c_str(), READ_CONTROL,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!folder || !ReadOwner(folder.Get(), *this))
            owner = nullptr;
    }
};

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
    TOwnerInfo owner;
    return ReadOwner(object, owner) && IsTrustedOwner(owner.owner, TWindowsFolderOwner().owner);
}

ACCESS_MASK UntrustedRights(PSECURITY_DESCRIPTOR descriptor, ACCESS_MASK asked, PSID windowsFolderOwner) {
    PACL access = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &access, &defaulted))
        return asked;
    if (!present || access == nullptr)
        return asked;
    GENERIC_MAPPING files{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
    ACCESS_MASK granted = 0;
    for (DWORD index = 0; index < access->AceCount; ++index) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (!GetAce(access, index, reinterpret_cast<void**>(&ace)) ||
            ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || (ace->Header.AceFlags & INHERIT_ONLY_ACE))
            continue;
        if (IsTrustedOwner(&ace->SidStart, windowsFolderOwner))
            continue;
        ACCESS_MASK mask = ace->Mask;
        MapGenericMask(&mask, &files);
        granted |= mask;
    }
    return granted & asked;
}

ACCESS_MASK UntrustedRightsOf(HANDLE object, ACCESS_MASK asked) {
    TLocalMemory descriptor;
    PACL access = nullptr;
    if (GetSecurityInfo(object, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &access, nullptr,
                        descriptor.Receive()) != ERROR_SUCCESS)
        return asked;
    return UntrustedRights(descriptor.Get(), asked, TWindowsFolderOwner().owner);
}

} // namespace zarvo
