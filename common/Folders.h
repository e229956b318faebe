#pragma once
// The system's folders and the folders the program makes.

#include "common/Handles.h"

#include <string>

namespace zarvo {

// The system's temporary folder, always ending in a backslash.
std::wstring GetTempFolder();
// The Windows system folder, always ending in a backslash.
std::wstring GetSystemFolder();
// The Windows folder itself (the system's, also in a terminal session), always ending in a backslash.
std::wstring GetWindowsFolder();
// The path on the folder a substituted drive stands for (S:\x -> C:\Work\x); any other path unchanged.
std::wstring ResolveSubstPath(const std::wstring& path);
// True when the path names an existing folder.
bool DirectoryExists(const std::wstring& path);
// Creates the folder with every missing parent. True when it exists as a folder afterwards (also when
// it existed before); false when it cannot be created or a file of that name is in the way.
bool ForceDirectories(const std::wstring& folder);
// The security descriptor an access list text (SDDL) describes; invalid, with the last error, when the
// text is not one.
TLocalMemory SecurityDescriptorFrom(const wchar_t* sddl);
// Creates the one folder (not its parents) with the access list of the text. False, with the last error,
// when the text is not an access list or the folder cannot be made (one that is there already included).
bool CreateFolderWithAccess(const std::wstring& folder, const wchar_t* sddl);
// Gives a folder opened with WRITE_DAC the access list of the text, nothing inherited from its parent.
// False, with the last error, when it cannot.
bool SetFolderAccess(HANDLE folder, const wchar_t* sddl);

// A relative name that stays inside the folder it is joined to and names a plain file there, by the
// extraction library's own rule: no empty, "." or ".." component, no root, drive, UNC or device path,
// no stream colon, wildcard or control character, no component ending in a dot or space, no reserved
// device name. Both '\' and '/' separate components.
bool StaysInsideFolder(const std::wstring& name);

} // namespace zarvo
