#pragma once
// Whether the elevated runs may use an installation folder. Every library in it is loaded and registered
// as administrator, its imports found there too: a folder that the user's own programs can write, or
// that leads somewhere else, would let them run code as administrator.

#include "common/Failure.h"

#include <windows.h>

#include <string>

namespace zarvo {

// The installation folder's access list, owner Administrators: the system and administrators write,
// users read and start; nothing comes from the parent.
inline constexpr wchar_t InstallFolderAccess[] =
    L"O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

// Whether an existing installation folder may be used: false, with the refusal as the failure's text, for
// a link or a folder whose final path is another, or an owner that is not trusted. True for a trusted
// folder and for one that is not there.
bool FolderTrusted(const std::wstring& folder, TFailure& refusal);

// Creates the folder with every missing parent. The topmost one it makes is made with the installation
// folder's own access list, which everything below inherits: full control for the system and
// administrators, read and execute for users, nothing from its parent.
bool CreateInstallFolder(const std::wstring& folder);

} // namespace zarvo
