#include "common/Libraries.h"

#include "common/Folders.h"

namespace zarvo {

namespace {

using TSetDefaultDllDirectories = BOOL(WINAPI*)(DWORD);

// Present where the loader knows the LOAD_LIBRARY_SEARCH_* flags.
TSetDefaultDllDirectories SetDefaultDllDirectoriesFn() {
    return reinterpret_cast<TSetDefaultDllDirectories>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
}

} // namespace

HMODULE LoadSystemLibrary(const wchar_t* name) {
    return LoadLibraryExW((GetSystemFolder() + name).c_str(), nullptr, SystemFolderImportFlags());
}

DWORD SystemFolderImportFlags() {
    return SetDefaultDllDirectoriesFn() != nullptr ? LOAD_LIBRARY_SEARCH_SYSTEM32 : 0;
}

void RestrictLibrarySearchToSystemFolder() {
    if (TSetDefaultDllDirectories restrict = SetDefaultDllDirectoriesFn())
        restrict(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

} // namespace zarvo
