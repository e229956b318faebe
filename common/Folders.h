#pragma once
// The system's folders and the folders the program makes.

#include <string>

namespace zarvo {

// The system's temporary folder, always ending in a backslash.
std::wstring GetTempFolder();
// The Windows system folder, always ending in a backslash.
std::wstring GetSystemFolder();
// The path on the folder a substituted drive stands for (S:\x -> C:\Work\x); any other path unchanged.
std::wstring ResolveSubstPath(const std::wstring& path);
// True when the path names an existing folder.
bool DirectoryExists(const std::wstring& path);
// Creates the folder with every missing parent. True when it exists as a folder afterwards (also when
// it existed before); false when it cannot be created or a file of that name is in the way.
bool ForceDirectories(const std::wstring& folder);
// A relative name that stays inside the folder it is joined to and names a plain file there, by the
// extraction library's own rule: no empty, "." or ".." component, no root, drive, UNC or device path,
// no stream colon, wildcard or control character, no component ending in a dot or space, no reserved
// device name. Both '\' and '/' separate components.
bool StaysInsideFolder(const std::wstring& name);

} // namespace zarvo
