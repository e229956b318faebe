#include "engine/KeptSetup.h"

#include "common/Folders.h"
#include "common/Handles.h"
#include "common/MappedFile.h"
#include "common/PathText.h"
#include "common/PlainFiles.h"
#include "common/SetupError.h"
#include "common/SpecialFolders.h"
#include "common/Text.h"
#include "common/UnitStartup.h"
#include "engine/FolderTrust.h"
#include "engine/UninstallEntry.h"

#include <aclapi.h>
#include <sddl.h>

#include <string_view>

namespace zarvo {

namespace {

struct TSecurityDescriptor {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    TSecurityDescriptor() {
        ConvertStringSecurityDescriptorToSecurityDescriptorW(InstallFolderAccess, SDDL_REVISION_1,
                                                             &descriptor, nullptr);
    }
    TSecurityDescriptor(const TSecurityDescriptor&) = delete;
    TSecurityDescriptor& operator=(const TSecurityDescriptor&) = delete;
    ~TSecurityDescriptor() { LocalFree(descriptor); }
};

// Whatever else is in the folder (a library planted beside the copy while users could write there, say)
// goes: the copy is started elevated, and the loader looks beside it first. False when anything stays.
bool RemoveAllBut(const std::wstring& folder, const std::wstring& keep) {
    WIN32_FIND_DATAW data;
    TFindHandle find(FindFirstFileW(JoinPath(folder, L"*").c_str(), &data));
    bool emptied = true;
    while (find) {
        const std::wstring name = data.cFileName, path = JoinPath(folder, name);
        // A folder link is removed as the link it is; a file with a second name is never deleted.
        if (name != L"." && name != L".." && !SameText(name, keep))
            emptied &= (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                           ? RemoveDirectoryW(path.c_str()) != 0
                           : DeletePlainFile(path, true);
        if (!FindNextFileW(find.Get(), &data))
            break;
    }
    if (!emptied)
        SetLastError(ERROR_ACCESS_DENIED);
    return emptied;
}

// Users may make folders in ProgramData: one that is there already gets the administrators' access
// list again and keeps nothing but the copy; one that leads elsewhere or that a user owns is refused.
bool PrepareKeptFolder(const std::wstring& folder) {
    TSecurityDescriptor security;
    if (security.descriptor == nullptr)
        return false;
    if (!DirectoryExists(folder)) {
        SECURITY_ATTRIBUTES attributes{sizeof(attributes), security.descriptor, FALSE};
        return CreateDirectoryW(folder.c_str(), &attributes) != 0;
    }
    if (!FolderRefusal(folder).empty()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    THandle handle = OpenPlainFile(folder, READ_CONTROL | WRITE_DAC,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS);
    PACL access = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    if (!handle || !GetSecurityDescriptorDacl(security.descriptor, &present, &access, &defaulted))
        return false;
    DWORD result = SetSecurityInfo(handle.Get(), SE_FILE_OBJECT,
                                   DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                   nullptr, access, nullptr);
    SetLastError(result);
    return result == ERROR_SUCCESS && RemoveAllBut(folder, FileNameOf(KeptSetupPath()));
}

using TAreMappedFilesTheSame = LONG(NTAPI*)(PVOID, PVOID);

// The running program's bytes: its file opened by its path and taken only when it is the very file the
// program was started from. The path may lie where the user's programs write, and another file may have
// been put there since. Empty otherwise, with the last error ERROR_ACCESS_DENIED.
std::string_view OwnImageBytes(const TMappedFile& image) {
    auto sameFile = reinterpret_cast<TAreMappedFilesTheSame>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtAreMappedFilesTheSame")));
    if (image.Bytes().empty() || sameFile == nullptr ||
        sameFile(GetModuleHandleW(nullptr), const_cast<char*>(image.Bytes().data())) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return {};
    }
    return image.Bytes();
}

bool SameFile(const std::wstring& a, const std::wstring& b) {
    BY_HANDLE_FILE_INFORMATION infoA{}, infoB{};
    auto read = [](const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
        THandle file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
        return file && GetFileInformationByHandle(file.Get(), &info);
    };
    return read(a, infoA) && read(b, infoB) && infoA.dwVolumeSerialNumber == infoB.dwVolumeSerialNumber &&
           infoA.nFileIndexHigh == infoB.nFileIndexHigh && infoA.nFileIndexLow == infoB.nFileIndexLow;
}

} // namespace

std::wstring KeptSetupFolder() {
    return JoinPath(WithoutTrailingBackslashes(GetSpecialFolderPath(CSIDL_COMMON_APPDATA)), L"ZarvoSetup");
}

std::wstring KeptSetupPath() {
    return JoinPath(KeptSetupFolder(), L"SetupZarvo.exe");
}

bool RunsAsKeptSetup() {
    return !ModulePath.empty() && SameFile(ModulePath, KeptSetupPath());
}

bool KeepSetupCopy(std::wstring& failure) {
    const std::wstring folder = KeptSetupFolder(), path = KeptSetupPath();
    bool kept = PrepareKeptFolder(folder);
    if (kept && !RunsAsKeptSetup()) {
        const TMappedFile image(OpenPlainFile(ModulePath, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
        const std::string_view bytes = OwnImageBytes(image);
        // Deleted first, so that the new copy inherits the folder's access list and nothing of the old.
        kept = !bytes.empty() && (DeletePlainFile(path, true) || GetLastError() == ERROR_FILE_NOT_FOUND) &&
               WritePlainFile(path, bytes);
    }
    if (!kept)
        failure = path + L": " + SystemErrorText(GetLastError());
    return kept;
}

bool RemoveKeptSetup() {
    if (RunsAsKeptSetup())
        return true;
    const std::wstring folder = KeptSetupFolder();
    const bool deleted = DeletePlainFile(KeptSetupPath(), true) || GetLastError() == ERROR_FILE_NOT_FOUND ||
                         GetLastError() == ERROR_PATH_NOT_FOUND;
    RemoveDirectoryW(folder.c_str());
    return deleted;
}

void FinishKeptSetup() {
    if (!RunsAsKeptSetup() || UninstallEntryExists())
        return;
    // The session manager deletes them in this order: the file first, so the folder is empty.
    MoveFileExW(KeptSetupPath().c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    MoveFileExW(KeptSetupFolder().c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

} // namespace zarvo
