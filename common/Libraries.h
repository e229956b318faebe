#pragma once
// Loading system libraries by full path, never through the search order.

#include <windows.h>

namespace zarvo {

// A system library by its full path in the system folder, never through the search order; nullptr when
// it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* name);
// LoadLibraryExW flags under which a library's own imports come from the system folder only. The start
// has made sure the loader knows them.
inline DWORD SystemFolderImportFlags() {
    return LOAD_LIBRARY_SEARCH_SYSTEM32;
}

using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);
// Limits the process's default library search to the system folder through the loader's entry; false
// when there is none (Windows 7 without its loader update) or it fails. The setup then does not start:
// the classic order searches the folder it was started from, where anything may lie.
bool RestrictLibrarySearch(TSetDefaultDllDirectories setDefaultDllDirectories);
// The same through the running system's loader.
bool RestrictLibrarySearchToSystemFolder();

} // namespace zarvo
