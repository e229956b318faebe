#include "archive/EntryPlacement.h"

#include "common/PlainFiles.h"
#include "common/Text.h"

#include <windows.h>

#include <vector>

namespace zarvo {

namespace {

// The attributes the library can have set; others (compression, encryption) follow the folder.
constexpr DWORD CopiedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                   FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NORMAL | FILE_ATTRIBUTE_TEMPORARY |
                                   FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

constexpr DWORD PlacementAccess = GENERIC_WRITE | DELETE;

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

// The file of that name in the folder, opened to be written from its start: made when missing, emptied
// when there. A read-only, hidden or system file in the way is replaced too; a link, or a file that has a
// second name elsewhere, is not.
THandle CreateForWriting(const THeldFolder& folder, const std::wstring& name) {
    THandle target = folder.OpenChild(name, PlacementAccess, 0, TChildOpen::ExistingOrNew);
    if (!target && GetLastError() == ERROR_ACCESS_DENIED) {
        THandle inTheWay =
            folder.OpenChild(name, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, TChildOpen::Existing);
        TFolderEntry entry;
        if (inTheWay && QueryEntry(inTheWay.Get(), entry) && !entry.IsLink() &&
            SetAttributesOf(inTheWay.Get(), FILE_ATTRIBUTE_NORMAL)) {
            inTheWay.Reset();
            target = folder.OpenChild(name, PlacementAccess, 0, TChildOpen::ExistingOrNew);
        }
    }
    if (target && !(IsPlainFile(target.Get()) && SetEndOfFile(target.Get())))
        target.Reset();
    return target;
}

} // namespace

const THeldFolder* TPlacementTarget::FolderOf(const std::wstring& relative, std::wstring* leaf) {
    size_t end = relative.size();
    if (leaf) {
        end = relative.find_last_of(L"\\/");
        *leaf = end == std::wstring::npos ? relative : relative.substr(end + 1);
        if (end == std::wstring::npos)
            return &root_;
    }
    if (end == 0)
        return &root_;
    const std::wstring upper = UpperCase(relative.substr(0, end));
    if (last_.Valid() && upper == lastFolder_)
        return &last_;
    last_ = root_.FolderBelow(relative.substr(0, end), TChildOpen::ExistingOrNew);
    lastFolder_ = upper;
    return last_.Valid() ? &last_ : nullptr;
}

bool PlaceExtractedEntry(const THeldFolder& staging, const std::wstring& staged, TPlacementTarget& target,
                         const std::wstring& relative) {
    THandle source =
        staging.OpenChild(staged, GENERIC_READ, FILE_SHARE_READ, TChildOpen::Existing, TChildKind::Either);
    TFolderEntry entry;
    if (!source || !QueryEntry(source.Get(), entry))
        return false;
    // A folder entry makes its folder and nothing else.
    if (entry.IsFolder()) {
        return target.FolderOf(relative) != nullptr;
    }
    FILETIME lastWrite{};
    if (!GetFileTime(source.Get(), nullptr, nullptr, &lastWrite))
        return false;
    std::wstring leaf;
    const THeldFolder* folder = target.FolderOf(relative, &leaf);
    if (!folder)
        return false;
    THandle written = CreateForWriting(*folder, leaf);
    if (!written)
        return false;
    if (!CopyData(source.Get(), written.Get())) {
        const DWORD error = GetLastError();
        DeleteThrough(written.Get());
        SetLastError(error);
        return false;
    }
    // A file whose time or attributes could not be set is not the file the library would have written.
    return SetFileTime(written.Get(), nullptr, nullptr, &lastWrite) &&
           SetAttributesOf(written.Get(), entry.attributes & CopiedAttributes);
}

bool MoveExtractedEntry(const THeldFolder& staging, const std::wstring& staged, TPlacementTarget& target,
                        const std::wstring& relative) {
    {
        THandle source = staging.OpenChild(staged, DELETE, FILE_SHARE_READ, TChildOpen::Existing);
        std::wstring leaf;
        const THeldFolder* folder = source ? target.FolderOf(relative, &leaf) : nullptr;
        // A file in the way that is read-only or held open, or a staged file on another drive: written the
        // way the library writes, with the library's outcome and reason. A rename replaces a link in the
        // way, never its target.
        if (folder && RenameInto(source.Get(), *folder, leaf, true))
            return true;
    }
    return PlaceExtractedEntry(staging, staged, target, relative);
}

} // namespace zarvo
