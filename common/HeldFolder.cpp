#include "common/HeldFolder.h"

#include "common/Folders.h"
#include "common/PlainFiles.h"
#include "common/Text.h"

#include <cstring>

#include <winternl.h>

namespace zarvo {

namespace {

// The system's own calls for opening relative to a folder's handle and for renaming into one; looked up
// at start-up (ntdll is in every process), as the program imports nothing beyond the Win32 libraries.
using TNtCreateFile = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                       PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using TNtSetInformationFile = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG,
                                               FILE_INFORMATION_CLASS);
using TRtlNtStatusToDosError = ULONG(NTAPI*)(NTSTATUS);

void* NtFunction(const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name));
}
const auto CreateRelative = reinterpret_cast<TNtCreateFile>(NtFunction("NtCreateFile"));
const auto SetInformation = reinterpret_cast<TNtSetInformationFile>(NtFunction("NtSetInformationFile"));
const auto StatusToError = reinterpret_cast<TRtlNtStatusToDosError>(NtFunction("RtlNtStatusToDosError"));

bool Succeeded(NTSTATUS status) {
    if (status >= 0)
        return true;
    SetLastError(StatusToError(status));
    return false;
}

// One component: a separator would let the system walk, and follow links, on the way.
bool IsOneName(const std::wstring& name) {
    return !name.empty() && name != L"." && name != L".." && name.find_first_of(L"\\/") == std::wstring::npos;
}

// Opened to be listed, asked about and removed.
constexpr ACCESS_MASK RemovalAccess =
    DELETE | READ_CONTROL | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;

// What listing and holding a folder takes.
constexpr ACCESS_MASK HoldAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE;

} // namespace

THeldFolder THeldFolder::Open(const std::wstring& path, TFailure& failure, ACCESS_MASK extraAccess) {
    // The one open by path: as itself, checked to be the folder of that path.
    THandle handle = OpenPlainFile(path, HoldAccess | extraAccess, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
    if (!handle)
        failure = LastErrorFailure(path);
    return THeldFolder(std::move(handle));
}

THandle THeldFolder::CreateChild(const std::wstring& name, ACCESS_MASK access, DWORD share, TChildOpen how,
                                 ULONG options, void* descriptor) const {
    THandle child;
    if (!IsOneName(name)) {
        SetLastError(ERROR_INVALID_NAME);
        return child;
    }
    UNICODE_STRING text{USHORT(name.size() * sizeof(wchar_t)), USHORT(name.size() * sizeof(wchar_t)),
                        const_cast<wchar_t*>(name.c_str())};
    OBJECT_ATTRIBUTES object{sizeof(object), handle_.Get(), &text, OBJ_CASE_INSENSITIVE, descriptor, nullptr};
    IO_STATUS_BLOCK status{};
    const ULONG disposition = how == TChildOpen::Existing ? FILE_OPEN
                              : how == TChildOpen::New    ? FILE_CREATE
                                                          : FILE_OPEN_IF;
    // Never through a link at that name, and synchronous, as the Win32 calls on the handle expect.
    options |= FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_FOR_BACKUP_INTENT;
    if (!Succeeded(CreateRelative(child.Receive(), access | SYNCHRONIZE | FILE_READ_ATTRIBUTES, &object,
                                  &status, nullptr, FILE_ATTRIBUTE_NORMAL, share, disposition, options,
                                  nullptr, 0)))
        child.Release();
    return child;
}

THandle THeldFolder::OpenChild(const std::wstring& name, ACCESS_MASK access, DWORD share, TChildOpen how,
                               TChildKind kind) const {
    return CreateChild(name, access, share, how,
                       kind == TChildKind::Folder ? FILE_DIRECTORY_FILE
                       : kind == TChildKind::File ? FILE_NON_DIRECTORY_FILE
                                                  : 0);
}

THeldFolder THeldFolder::ChildFolder(const std::wstring& name, TChildOpen how, const wchar_t* sddl,
                                     ACCESS_MASK extraAccess) const {
    TLocalMemory descriptor;
    if (sddl && !(descriptor = SecurityDescriptorFrom(sddl)))
        return {};
    THandle child = CreateChild(name, HoldAccess | extraAccess, FILE_SHARE_READ | FILE_SHARE_WRITE, how,
                                FILE_DIRECTORY_FILE, descriptor.Get());
    TFolderEntry entry;
    if (child && !(QueryEntry(child.Get(), entry) && !entry.IsLink())) {
        child.Reset();
        SetLastError(ERROR_ACCESS_DENIED);
    }
    return THeldFolder(std::move(child));
}

THeldFolder THeldFolder::FolderBelow(const std::wstring& relative, TChildOpen how) const {
    THeldFolder current;
    for (size_t start = 0;;) {
        const size_t end = relative.find_first_of(L"\\/", start);
        THeldFolder next =
            (current.Valid() ? current : *this).ChildFolder(relative.substr(start, end - start), how);
        if (!next.Valid() || end == std::wstring::npos)
            return next;
        current = std::move(next);
        start = end + 1;
    }
}

bool THeldFolder::List(std::vector<TFolderEntry>& entries) const {
    alignas(8) char buffer[32768];
    for (FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;; kind = FileIdBothDirectoryInfo) {
        if (!GetFileInformationByHandleEx(handle_.Get(), kind, buffer, sizeof(buffer)))
            return GetLastError() == ERROR_NO_MORE_FILES;
        for (size_t at = 0;;) {
            const auto& info = *reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer + at);
            const std::wstring_view name(info.FileName, info.FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") {
                TFolderEntry& entry = entries.emplace_back();
                entry.name = name;
                entry.attributes = info.FileAttributes;
                entry.id = uint64_t(info.FileId.QuadPart);
            }
            if (info.NextEntryOffset == 0)
                break;
            at += info.NextEntryOffset;
        }
    }
}

bool QueryEntry(HANDLE handle, TFolderEntry& entry) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info))
        return false;
    entry.attributes = info.dwFileAttributes;
    entry.id = uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    return true;
}

bool IsPlainFile(HANDLE handle, BY_HANDLE_FILE_INFORMATION* info) {
    BY_HANDLE_FILE_INFORMATION own{};
    info = info ? info : &own;
    if (GetFileInformationByHandle(handle, info) &&
        !(info->dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && info->nNumberOfLinks == 1)
        return true;
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
}

bool DeletePlainChild(const THeldFolder& folder, const std::wstring& name, bool evenReadOnly) {
    const THandle file =
        folder.OpenChild(name, DELETE | FILE_WRITE_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, TChildOpen::Existing);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !IsPlainFile(file.Get(), &info))
        return false;
    if (evenReadOnly && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY))
        SetAttributesOf(file.Get(), info.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
    return DeleteThrough(file.Get());
}

bool RenameInto(HANDLE file, const THeldFolder& folder, const std::wstring& name, bool replace) {
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + name.size() * sizeof(wchar_t));
    auto& info = *reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info.ReplaceIfExists = replace;
    info.RootDirectory = folder.Handle();
    info.FileNameLength = DWORD(name.size() * sizeof(wchar_t));
    std::memcpy(info.FileName, name.data(), info.FileNameLength);
    IO_STATUS_BLOCK status{};
    return Succeeded(SetInformation(file, &status, &info, ULONG(buffer.size()), FileRenameInformation));
}

THandle OpenListed(const THeldFolder& folder, const TFolderEntry& entry, TBeforeOpen beforeOpen) {
    if (beforeOpen)
        beforeOpen(entry);
    THandle opened =
        folder.OpenChild(entry.name, RemovalAccess, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         TChildOpen::Existing, entry.IsFolder() ? TChildKind::Folder : TChildKind::File);
    TFolderEntry found;
    constexpr DWORD kind = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    if (opened && !(QueryEntry(opened.Get(), found) && found.id == entry.id &&
                    !((found.attributes ^ entry.attributes) & kind))) {
        // Put in its place since the listing: not what was looked at.
        opened.Reset();
        SetLastError(ERROR_FILE_NOT_FOUND);
    }
    return opened;
}

bool RemoveOpened(HANDLE opened, TBeforeOpen beforeOpen) {
    TFolderEntry entry;
    if (!QueryEntry(opened, entry))
        return false;
    bool removed = true;
    DWORD firstError = ERROR_SUCCESS;
    if (entry.IsFolder() && !entry.IsLink()) {
        // Listed through the handle and emptied one entry at a time, each opened relative to it; lent to a
        // folder object for that, and taken back whatever happens.
        struct TLent {
            THeldFolder folder;
            ~TLent() { folder.Release(); }
        } lent{THeldFolder(THandle(opened))};
        removed = RemoveContents(lent.folder, nullptr, beforeOpen);
        if (!removed)
            firstError = GetLastError();
    }
    if (entry.attributes & FILE_ATTRIBUTE_READONLY)
        SetAttributesOf(opened, entry.attributes & ~FILE_ATTRIBUTE_READONLY);
    if (removed && !DeleteThrough(opened)) {
        removed = false;
        firstError = GetLastError();
    }
    SetLastError(firstError);
    return removed;
}

bool RemoveContents(const THeldFolder& folder, const wchar_t* keep, TBeforeOpen beforeOpen) {
    std::vector<TFolderEntry> entries;
    if (!folder.List(entries))
        return false;
    bool removed = true;
    DWORD firstError = ERROR_SUCCESS;
    for (const TFolderEntry& entry : entries) {
        if (keep && SameText(entry.name, keep))
            continue;
        const THandle opened = OpenListed(folder, entry, beforeOpen);
        if (!(opened && RemoveOpened(opened.Get(), beforeOpen)) && removed) {
            removed = false;
            firstError = GetLastError();
        }
    }
    SetLastError(firstError);
    return removed;
}

} // namespace zarvo
