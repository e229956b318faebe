#include "common/SpecialFolders.h"

#include "common/Registry.h"

namespace zarvo {

std::wstring ItemIDListPath(LPCITEMIDLIST list) {
    wchar_t buffer[MAX_PATH + 1] = {};
    if (list == nullptr || !SHGetPathFromIDListW(list, buffer))
        return {};
    return buffer;
}

bool FreeItemIDList(LPITEMIDLIST& list) {
    if (list == nullptr)
        return true;
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || allocator == nullptr)
        return false;
    bool owned = allocator->DidAlloc(list) >= 1;
    if (owned) {
        allocator->Free(list);
        list = nullptr;
    }
    allocator->Release();
    return owned;
}

std::wstring ReadProgramFilesDirFromRegistry() {
    TRegistry registry(KEY_READ);
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKey(L"Software\\Microsoft\\Windows\\CurrentVersion", false))
        return {};
    return registry.ReadString(L"ProgramFilesDir");
}

std::wstring GetSpecialFolderPath(int csidl) {
    std::wstring path;
    LPITEMIDLIST list = nullptr;
    if (SHGetSpecialFolderLocation(nullptr, csidl, &list) >= 0) {
        path = ItemIDListPath(list);
        FreeItemIDList(list);
    }
    if (path.empty() && csidl == CSIDL_PROGRAM_FILES)
        path = ReadProgramFilesDirFromRegistry();
    return path;
}

} // namespace zarvo
