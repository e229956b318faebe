#pragma once
// Folders that other programs of the user can reach, worked on through handles. A folder is opened once,
// as itself, and held: while the object lives nobody renames, replaces or deletes it. Everything below it
// is opened, made, renamed and deleted relative to its handle, one name at a time and never through a
// link, and it is listed through its handle; no step resolves a path again, so a folder on the way that
// is swapped for a link, or for another folder, after it was opened changes nothing.

#include "common/Failure.h"
#include "common/Handles.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zarvo {

// One name of a folder's listing.
struct TFolderEntry {
    std::wstring name;
    DWORD attributes = 0;
    // The file system's number of the file or folder: what was listed is what is opened.
    uint64_t id = 0;

    bool IsFolder() const { return attributes & FILE_ATTRIBUTE_DIRECTORY; }
    bool IsLink() const { return attributes & FILE_ATTRIBUTE_REPARSE_POINT; }
};

// How a child is reached: an existing one only, one made here (never one that was there), or either.
enum class TChildOpen { Existing, New, ExistingOrNew };
// What a child must be to be opened.
enum class TChildKind { File, Folder, Either };

class THeldFolder {
public:
    THeldFolder() = default;
    // The folder at the path, opened as itself for listing and held, with the extra access asked for as
    // well (WRITE_DAC, say). Invalid, with the reason in failure, when it is missing, a link, or reached by
    // another path than the one given. (A file opened so can neither be listed nor have anything opened
    // relative to it.)
    static THeldFolder Open(const std::wstring& path, TFailure& failure, ACCESS_MASK extraAccess = 0);
    // Takes over a folder handle opened with at least FILE_LIST_DIRECTORY and SYNCHRONIZE.
    explicit THeldFolder(THandle handle) : handle_(std::move(handle)) {}

    bool Valid() const { return handle_.Valid(); }
    HANDLE Handle() const { return handle_.Get(); }
    // Lets the folder go (the handle closes).
    void Reset() { handle_.Reset(); }
    // Gives the handle back without closing it.
    HANDLE Release() { return handle_.Release(); }

    // The child of that one name (no separator) itself, a link as the link it is, opened with the access
    // and the sharing asked for, synchronously; a new one is a file. Invalid, with the system's reason as
    // the last error, when it cannot be opened or made, or is not of the kind asked for.
    THandle OpenChild(const std::wstring& name, ACCESS_MASK access, DWORD share, TChildOpen how,
                      TChildKind kind = TChildKind::File) const;
    // The child folder of that name, held as this one is; a new one gets the access list of the text
    // (nullptr: what this folder passes on). Invalid, with the last error, when it cannot be opened or
    // made, or is a link (ERROR_ACCESS_DENIED).
    THeldFolder ChildFolder(const std::wstring& name, TChildOpen how, const wchar_t* sddl = nullptr,
                            ACCESS_MASK extraAccess = 0) const;
    // The folder at that path below this one ('\\' or '/' between the names, at least one name), reached
    // one folder at a time as ChildFolder reaches each, missing ones made when asked.
    THeldFolder FolderBelow(const std::wstring& relative, TChildOpen how) const;
    // Every name in the folder but "." and "..". False, with the last error, when it cannot be listed.
    bool List(std::vector<TFolderEntry>& entries) const;

private:
    // The child itself, opened or made relative to the handle with the options and access list given.
    THandle CreateChild(const std::wstring& name, ACCESS_MASK access, DWORD share, TChildOpen how,
                        ULONG options, void* descriptor = nullptr) const;

    THandle handle_;
};

// The identity and attributes of what a handle is opened on.
bool QueryEntry(HANDLE handle, TFolderEntry& entry);
// Whether the handle is on a file with this one name, no link: false, with ERROR_ACCESS_DENIED, otherwise.
// What the system says of it in info, when asked.
bool IsPlainFile(HANDLE handle, BY_HANDLE_FILE_INFORMATION* info = nullptr);

// Deletes the plain file of that one name in the folder through its own handle: a link, a folder or a
// file with a second name elsewhere is refused (ERROR_ACCESS_DENIED), a read-only one only when asked,
// its attribute cleared first. False, with the reason as the last error, when it stays.
bool DeletePlainChild(const THeldFolder& folder, const std::wstring& name, bool evenReadOnly = false);

// Gives the file behind the handle (opened with DELETE) that one name (no separator) in the folder,
// replacing a file of that name when asked. False, with the system's reason as the last error, when it
// cannot.
bool RenameInto(HANDLE file, const THeldFolder& folder, const std::wstring& name, bool replace);

// Called by the walk at the moment between a folder's listing and the opening of one of its entries: a
// test's way to change the folder just then. Null: nothing is called.
using TBeforeOpen = void (*)(const TFolderEntry& entry);

// The listed entry of the folder itself (a link as the link), opened to be removed and asked about (its
// owner included), when it is still the one listed. Invalid, with the last error, otherwise.
THandle OpenListed(const THeldFolder& folder, const TFolderEntry& entry, TBeforeOpen beforeOpen = nullptr);
// Removes what the handle from OpenListed is, with everything in it: a link as the link it is, never
// entered; a folder after all that is inside; read-only ones too. An entry inside that is no longer the
// one listed (its number differs) is left, and so is whatever cannot be removed. False when anything
// stays, the last error saying why for the first.
bool RemoveOpened(HANDLE opened, TBeforeOpen beforeOpen = nullptr);
// Removes everything in the folder but the entry of the name to keep (nullptr: none), each entry opened
// with OpenListed and removed with RemoveOpened.
bool RemoveContents(const THeldFolder& folder, const wchar_t* keep = nullptr,
                    TBeforeOpen beforeOpen = nullptr);

} // namespace zarvo
