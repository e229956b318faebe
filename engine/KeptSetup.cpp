#include "engine/KeptSetup.h"

#include "common/Folders.h"
#include "common/Handles.h"
#include "common/PathText.h"
#include "common/Product.h"
#include "common/PlainFiles.h"
#include "common/SetupError.h"
#include "common/SpecialFolders.h"
#include "common/Text.h"
#include "common/UnitStartup.h"
#include "engine/FolderTrust.h"
#include "engine/UninstallEntry.h"

#include <algorithm>
#include <vector>

namespace zarvo {

namespace {

// Users may make folders in ProgramData: one that is there already gets the administrators' access
// list again and keeps nothing but the copy; one that leads elsewhere or that a user owns is refused.
// The folder held, or invalid with the reason in failure.
THeldFolder PrepareKeptFolder(const std::wstring& folder, TFailure& failure) {
    if (!DirectoryExists(folder) && !CreateFolderWithAccess(folder, InstallFolderAccess)) {
        failure = LastErrorFailure(folder);
        return {};
    }
    if (!FolderTrusted(folder, failure, TFolderAccess::ResetByCaller))
        return {};
    THeldFolder held = THeldFolder::Open(folder, failure, READ_CONTROL | WRITE_DAC);
    if (!held.Valid())
        return {};
    if (!SetFolderAccess(held.Handle(), InstallFolderAccess)) {
        failure = LastErrorFailure(folder);
        return {};
    }
    // Whatever else is in it (a library planted beside the copy while users could write there, say) goes,
    // folders with all in them: the copy is started elevated, and the loader looks beside it first.
    if (!RemoveContents(held, SetupFileName)) {
        failure = LastErrorFailure(folder);
        return {};
    }
    return held;
}

using TAreMappedFilesTheSame = LONG(NTAPI*)(PVOID, PVOID);

// The running program's file, opened by its path and taken only when it is the very file the program was
// started from: the path may lie where the user's programs write, and another file may have been put
// there since. A view of its first page is enough to ask, so an installer of any size is kept. Invalid
// otherwise, with the reason in failure.
THandle OpenOwnImage(TFailure& failure) {
    THandle image = OpenPlainFile(ModulePath, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    const THandle mapping(image ? CreateFileMappingW(image.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr)
                                : nullptr);
    const TFileView view(mapping ? MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 4096) : nullptr);
    if (!view) {
        failure = LastErrorFailure(ModulePath);
        return {};
    }
    auto sameFile = reinterpret_cast<TAreMappedFilesTheSame>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtAreMappedFilesTheSame")));
    if (sameFile == nullptr || sameFile(GetModuleHandleW(nullptr), const_cast<void*>(view.Get())) != 0) {
        failure = SystemFailure(ERROR_ACCESS_DENIED, ModulePath);
        return {};
    }
    return image;
}

// Writes the whole file behind the handle, read from its start, as a new file of that name in the folder.
// False, with the last error, when it cannot.
bool CopyThrough(HANDLE source, const THeldFolder& folder, const std::wstring& name) {
    const THandle target =
        folder.OpenChild(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, TChildOpen::New);
    LARGE_INTEGER start{};
    if (!target || !SetFilePointerEx(source, start, nullptr, FILE_BEGIN))
        return false;
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        DWORD read = 0, written = 0;
        if (!ReadFile(source, buffer.data(), DWORD(buffer.size()), &read, nullptr))
            return false;
        if (read == 0)
            return true;
        if (!WriteFile(target.Get(), buffer.data(), read, &written, nullptr))
            return false;
        if (written != read) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
    }
}

// The session manager's list of what it renames or deletes at the next restart: pairs of a source and a
// target, an empty target for a deletion.
constexpr wchar_t SessionManagerKey[] = L"System\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t PendingRenamesValue[] = L"PendingFileRenameOperations";

// Takes the deletions of these paths out of the list, so that a removal that ran from the kept copy
// does not delete, at the next restart, the copy written since and leave the list's entry naming a path
// in a folder any user may make. False, with the reason, when the list cannot be read or written.
bool CancelPendingDeletions(const std::vector<std::wstring>& paths, TFailure& failure) {
    TRegKey key;
    LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, SessionManagerKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                                key.Receive());
    DWORD type = 0, size = 0;
    if (status == ERROR_SUCCESS)
        status = RegQueryValueExW(key.Get(), PendingRenamesValue, nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND || (status == ERROR_SUCCESS && type != REG_MULTI_SZ))
        return true;
    std::wstring data(size / sizeof(wchar_t), L'\0');
    if (status == ERROR_SUCCESS)
        status = RegQueryValueExW(key.Get(), PendingRenamesValue, nullptr, nullptr,
                                  reinterpret_cast<BYTE*>(data.data()), &size);
    if (status != ERROR_SUCCESS) {
        failure = SystemFailure(DWORD(status), SessionManagerKey);
        return false;
    }
    data.resize(size / sizeof(wchar_t));
    // Pairs of zero-terminated strings, one after the other; a deletion's target is empty.
    std::wstring kept;
    bool cancelled = false;
    for (const wchar_t *at = data.c_str(), *end = at + data.size(); at < end && *at != L'\0';) {
        const wchar_t* source = at;
        at += wcslen(at) + 1;
        const wchar_t* target = at < end ? at : L"";
        at += wcslen(target) + 1;
        bool ours = false;
        for (const std::wstring& path : paths)
            ours = ours || (*target == L'\0' && lstrcmpiW(source, (L"\\??\\" + path).c_str()) == 0);
        if (ours)
            cancelled = true;
        else
            kept.append(source, target + wcslen(target) + 1);
    }
    if (!cancelled)
        return true;
    kept += L'\0';
    status = kept.size() == 1 ? RegDeleteValueW(key.Get(), PendingRenamesValue)
                              : RegSetValueExW(key.Get(), PendingRenamesValue, 0, REG_MULTI_SZ,
                                               reinterpret_cast<const BYTE*>(kept.data()),
                                               DWORD(kept.size() * sizeof(wchar_t)));
    if (status == ERROR_SUCCESS)
        return true;
    failure = SystemFailure(DWORD(status), SessionManagerKey);
    return false;
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
    return JoinPath(WithoutTrailingBackslashes(GetSpecialFolderPath(CSIDL_COMMON_APPDATA)),
                    KeptSetupFolderName);
}

std::wstring KeptSetupPath() {
    return JoinPath(KeptSetupFolder(), SetupFileName);
}

bool RunsAsKeptSetup() {
    return !ModulePath.empty() && SameFile(ModulePath, KeptSetupPath());
}

bool KeepSetupCopy(TFailure& failure) {
    const std::wstring path = KeptSetupPath(), folder = KeptSetupFolder();
    if (!CancelPendingDeletions({path, folder}, failure))
        return false;
    const THeldFolder held = PrepareKeptFolder(folder, failure);
    if (!held.Valid())
        return false;
    if (RunsAsKeptSetup())
        return true;
    const THandle image = OpenOwnImage(failure);
    if (!image)
        return false;
    // Deleted first, so that the new copy inherits the folder's access list and nothing of the old.
    if ((DeletePlainChild(held, SetupFileName, true) || GetLastError() == ERROR_FILE_NOT_FOUND) &&
        CopyThrough(image.Get(), held, SetupFileName))
        return true;
    failure = LastErrorFailure(path);
    return false;
}

bool RemoveKeptSetup() {
    if (RunsAsKeptSetup())
        return true;
    // The copy through its held folder, then the folder itself when nothing else is in it.
    TFailure failure;
    const THeldFolder held = THeldFolder::Open(KeptSetupFolder(), failure, DELETE);
    if (!held.Valid())
        return failure.code == ERROR_FILE_NOT_FOUND || failure.code == ERROR_PATH_NOT_FOUND;
    const bool deleted =
        DeletePlainChild(held, SetupFileName, true) || GetLastError() == ERROR_FILE_NOT_FOUND;
    DeleteThrough(held.Handle());
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
