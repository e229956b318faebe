#pragma once
// Loading system libraries by full path, never through the search order.

#include <windows.h>

namespace zarvo {

// A system library by its full path in the system folder, never through the search order; nullptr when
// it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* name);
// LoadLibraryExW flags under which a library's own imports come from the system folder only, where the
// system offers them (Windows 7 with its loader update and later); 0 elsewhere.
DWORD SystemFolderImportFlags();
// Limits the process's default library search to the system folder, where the system offers it.
void RestrictLibrarySearchToSystemFolder();

} // namespace zarvo
