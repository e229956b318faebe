#pragma once
// Files in folders that other programs of the user can write, opened as the names they are. A junction
// or symbolic link put in place of such a file or one of its folders, or a second name made for another
// file, would otherwise let this elevated program create, empty, change or delete a file it never meant
// to. What is not a plain file at the path asked for is refused with ERROR_ACCESS_DENIED.

#include "common/Handles.h"

#include <string>
#include <string_view>

namespace zarvo {

// The path the system names an open file or folder by (links followed, "\\?\" dropped); empty when it
// cannot tell.
std::wstring FinalPathOf(HANDLE handle);

// Whether the handle is a disk file or folder with one name, no reparse point, whose final path is the
// path asked for (short names, relative parts and substituted drives resolved).
bool IsPlainAt(HANDLE handle, const std::wstring& path);

// Opens the file itself, never what a link there points to: OPEN_EXISTING, OPEN_ALWAYS (created when
// missing) or CREATE_ALWAYS (created, or emptied once it has passed the check). FILE_FLAG_BACKUP_SEMANTICS
// in flags opens a folder. Invalid, with the reason as the last error, when it cannot be opened or is not
// plain at that path; a name made meanwhile is not created through.
THandle OpenPlainFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                      DWORD flags = 0);

// Writes the bytes as the whole content of the plain file at the path and keeps it open: while the handle
// lives, other processes can read the file but not write, replace, rename or delete it. Invalid when it
// cannot be opened so or the bytes cannot be written in full (a full drive).
THandle WritePlainFile(const std::wstring& path, std::string_view bytes);

// The attributes of the file behind a handle opened with FILE_WRITE_ATTRIBUTES.
bool SetAttributesOf(HANDLE file, DWORD attributes);
// Marks the file behind a handle opened with DELETE for deletion when its last handle closes.
bool DeleteThrough(HANDLE file);
// Deletes a plain file through its own handle; a read-only one only when asked, its attribute cleared
// first. False, with the reason as the last error, for anything else.
bool DeletePlainFile(const std::wstring& path, bool evenReadOnly = false);

} // namespace zarvo
