#pragma once
// Shortcut files (.lnk) in the shell's special folders.

#include <windows.h>
#include <shlobj.h>

#include <string>

namespace zarvo {

// One shortcut's properties, in the order the link object receives them.
struct TShellLink {
    std::wstring arguments;
    int showCommand = 0;
    std::wstring workingFolder;
    LPITEMIDLIST itemIDList = nullptr; // not used by the operations here
    std::wstring target;
    std::wstring description;
    std::wstring iconLocation;
    int iconIndex = 0;
    WORD hotKey = 0;
};

// The longest shortcut path the link layer writes, in characters without the terminator.
inline constexpr size_t MaxShortcutPath = MAX_PATH - 1;

// Writes <special folder>\<name>.lnk starting target in workingFolder. The outcome is neither returned
// nor reported; a link object that cannot be saved to a file at all raises ESetupError. COM is initialised
// for the call and released again on every path.
void CreateShortcut(const std::wstring& target, const std::wstring& workingFolder, const std::wstring& name,
                    int csidl);
// Deletes <special folder>\<name>.lnk when it exists; nothing else.
void DeleteShortcut(const std::wstring& name, int csidl);

// Writes the link into the special folder under fileName (with its extension). E_INVALIDARG when the
// folder cannot be resolved or has no file-system path.
HRESULT CreateShellLinkInFolder(const TShellLink& link, int csidl, const std::wstring& fileName);
// Writes the link to path through the shell's link object. A path longer than MaxShortcutPath fails
// with HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE) and writes nothing; E_NOINTERFACE when the link
// object cannot be saved to a file at all.
HRESULT SaveShellLink(const TShellLink& link, const std::wstring& path);

} // namespace zarvo
