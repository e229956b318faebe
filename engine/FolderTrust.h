#pragma once
// Whether the elevated runs may use an installation folder. Every library in it is loaded and registered
// as administrator, its imports found there too: a folder that the user's own programs can write, or
// that leads somewhere else, would let them run code as administrator.

#include "common/Failure.h"
#include "common/HeldFolder.h"

#include <windows.h>

#include <string>

namespace zarvo {

// The installation folder's access list, owner Administrators: the system and administrators write,
// users read and start; nothing comes from the parent.
inline constexpr wchar_t InstallFolderAccess[] =
    L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

// What of the folder's own access list is checked: all of it, or nothing, for a caller that gives the
// folder its own list before it puts anything there.
enum class TFolderAccess { Checked, ResetByCaller };

// Whether an installation folder may be used: false, with the refusal as the failure's text, for an
// existing folder that is a link or whose final path is not its resolved path (a link above it is fine),
// whose owner is not trusted, or whose access list lets others than the trusted add or delete files, delete
// it or change its list or owner; and for any folder when a folder above it, up to the drive's root, on the
// path given or on the resolved one, lets others delete it or its children or change its list or owner
// (adding folders, as C:\ lets users, is fine). So a library later loaded by its path is the one that was
// checked. True otherwise, also for a folder that is not there.
bool FolderTrusted(const std::wstring& folder, TFailure& refusal,
                   TFolderAccess access = TFolderAccess::Checked);

// The path the folder has once links above it are followed: the final path of the nearest folder above it
// that exists, then the rest of the names. Empty when no folder above it can be opened.
std::wstring ResolvedFolderPath(const std::wstring& folder);

// Opens the folder as itself, by its resolved path, for listing, and shares it for reading and writing only:
// while it is held nobody renames, replaces or deletes it, so the libraries loaded later by their paths lie
// in the folder that was checked, and its files are reached through it. Invalid, with the reason in failure,
// when it cannot be opened so.
THeldFolder HoldFolder(const std::wstring& folder, TFailure& failure);

// Creates the folder with every missing parent. The topmost one it makes is made with the installation
// folder's own access list, which everything below inherits: full control for the system and
// administrators, read and execute for users, nothing from its parent.
bool CreateInstallFolder(const std::wstring& folder);

} // namespace zarvo
