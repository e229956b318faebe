#pragma once
// UnRAR: loading the RAR extraction library from a file and binding its entry points.

#include <string>

#include "rardll.h"

namespace zarvo {

// The library's entry points, each set the moment its lookup succeeds.
struct TRarLibrary {
    decltype(&RARGetDllVersion) GetDllVersion = nullptr;
    decltype(&RAROpenArchive) OpenArchive = nullptr;
    decltype(&RAROpenArchiveEx) OpenArchiveEx = nullptr;
    decltype(&RARCloseArchive) CloseArchive = nullptr;
    decltype(&RARReadHeader) ReadHeader = nullptr;
    decltype(&RARReadHeaderEx) ReadHeaderEx = nullptr;
    decltype(&RARProcessFile) ProcessFile = nullptr;
    decltype(&RARSetCallback) SetCallback = nullptr;
    decltype(&RARSetPassword) SetPassword = nullptr;
    // Optional: takes wide destination names, so paths outside the OEM code page work too.
    decltype(&RARProcessFileW) ProcessFileW = nullptr;
};

extern TRarLibrary RarLibrary;

// Loads the library from exactly that file (no critical-error boxes; the floating-point control word
// is kept as it was) and binds the nine entry points in order. False when the load fails or any entry
// point is missing; pointers found before the missing one stay set.
bool LoadRarLibrary(const std::wstring& libraryPath);
// Releases the library module.
void FreeRarLibrary();

} // namespace zarvo
