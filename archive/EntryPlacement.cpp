#include "archive/EntryPlacement.h"

#include "common/Folders.h"
#include "common/Handles.h"
#include "common/PathText.h"
#include "common/PlainFiles.h"

#include <windows.h>

#include <aclapi.h>

#include <vector>

namespace zarvo {

namespace {

// The attributes the library can have set; others (compression, encryption) follow the folder.
constexpr DWORD CopiedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                   FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_TEMPORARY |
                                   FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

constexpr DWORD PlacementAccess = GENERIC_WRITE | DELETE;

THandle CreateForWriting(const std::wstring& path) {
    return OpenPlainFile(path, PlacementAccess, 0, CREATE_ALWAYS);
}

bool MakeParentFolders(const std::wstring& path) {
    const std::wstring parent = ParentFolder(path);
    // A drive root is there or not; nothing to make.
    return parent.empty() || IsRootPath(parent) || ForceDirectories(parent);
}

bool CopyData(HANDLE from, HANDLE to) {
    std::vector<char> buffer(1 << 20);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(from, buffer.data(), DWORD(buffer.size()), &read, nullptr))
            return false;
        if (read == 0)
            return true;
        DWORD written = 0;
        if (!WriteFile(to, buffer.data(), read, &written, nullptr) || written != read)
            return false;
    }
}

// An empty, unprotected list: the system fills it with what the parent folder passes on.
bool InheritFolderAccess(const std::wstring& path) {
    ACL empty;
    if (!InitializeAcl(&empty, sizeof(empty), ACL_REVISION))
        return false;
    return SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT,
                                 DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                 nullptr, &empty, nullptr) == ERROR_SUCCESS;
}

} // namespace

bool PlaceExtractedEntry(const std::wstring& staged, const std::wstring& destination) {
    DWORD attributes = GetFileAttributesW(staged.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    // A folder entry makes its folder and nothing else.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return ForceDirectories(destination);

    THandle source(CreateFileW(staged.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    FILETIME lastWrite{};
    if (!source || !GetFileTime(source.Get(), nullptr, nullptr, &lastWrite))
        return false;
    if (!MakeParentFolders(destination))
        return false;
    THandle target = CreateForWriting(destination);
    if (!target && GetLastError() == ERROR_ACCESS_DENIED) {
        // A read-only, hidden or system file in the way is replaced too (a link in the way is not).
        THandle inTheWay = OpenPlainFile(destination, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, OPEN_EXISTING);
        if (inTheWay && SetAttributesOf(inTheWay.Get(), FILE_ATTRIBUTE_NORMAL)) {
            inTheWay.Reset();
            target = CreateForWriting(destination);
        }
    }
    if (!target)
        return false;
    if (!CopyData(source.Get(), target.Get())) {
        const DWORD error = GetLastError();
        DeleteThrough(target.Get());
        SetLastError(error);
        return false;
    }
    // A file whose time or attributes could not be set is not the file the library would have written.
    return SetFileTime(target.Get(), nullptr, nullptr, &lastWrite) &&
           SetAttributesOf(target.Get(), attributes & CopiedAttributes);
}

bool MoveExtractedEntry(const std::wstring& staged, const std::wstring& destination) {
    DWORD attributes = GetFileAttributesW(staged.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return PlaceExtractedEntry(staged, destination);
    if (!MakeParentFolders(destination))
        return false;
    // A file in the way that is read-only or held open, or a staged file on another drive: written the
    // way the library writes, with the library's outcome and reason.
    if (!MoveFileExW(staged.c_str(), destination.c_str(), MOVEFILE_REPLACE_EXISTING))
        return PlaceExtractedEntry(staged, destination);
    // A rename replaces a link in the way, never its target; a folder on the way that was swapped for a
    // link shows in the final path. Held without delete sharing, the file keeps its name meanwhile.
    THandle placed = OpenPlainFile(destination, FILE_READ_ATTRIBUTES, FILE_SHARE_READ, OPEN_EXISTING);
    return placed && InheritFolderAccess(destination);
}

} // namespace zarvo
