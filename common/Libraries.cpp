#include "common/Libraries.h"

#include "common/Folders.h"

namespace zarvo {

HMODULE LoadSystemLibrary(const wchar_t* name) {
    return LoadLibraryExW((GetSystemFolder() + name).c_str(), nullptr, SystemFolderImportFlags());
}

bool RestrictLibrarySearch(TSetDefaultDllDirectories setDefaultDllDirectories) {
    return setDefaultDllDirectories != nullptr && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

bool RestrictLibrarySearchToSystemFolder() {
    // Looked up, not imported: where it is missing the program must still start to say why it cannot.
    return RestrictLibrarySearch(reinterpret_cast<TSetDefaultDllDirectories>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories"))));
}

} // namespace zarvo
