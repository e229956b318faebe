#include "archive/UnRAR.h"

#include "common/Libraries.h"
#include "common/Handles.h"
#include "common/LoadGuard.h"

namespace zarvo {

TRarLibrary RarLibrary;

namespace {

TModule rarModule;

template <typename Function> bool Bind(Function& target, const char* name) {
    FARPROC address = GetProcAddress(rarModule.Get(), name);
    if (address == nullptr)
        return false;
    target = reinterpret_cast<Function>(reinterpret_cast<void*>(address));
    return true;
}

} // namespace

bool LoadRarLibrary(const std::wstring& libraryPath) {
    {
        TLoadGuard guard;
        // Its own imports come from the system folder only, never from the temporary folder beside it.
        rarModule.Reset(LoadLibraryExW(libraryPath.c_str(), nullptr, SystemFolderImportFlags()));
    }
    if (!rarModule.Valid())
        return false;
    TRarLibrary& lib = RarLibrary;
    bool bound = Bind(lib.GetDllVersion, "RARGetDllVersion") && Bind(lib.OpenArchive, "RAROpenArchive") &&
                 Bind(lib.OpenArchiveEx, "RAROpenArchiveEx") && Bind(lib.CloseArchive, "RARCloseArchive") &&
                 Bind(lib.ReadHeader, "RARReadHeader") && Bind(lib.ReadHeaderEx, "RARReadHeaderEx") &&
                 Bind(lib.ProcessFile, "RARProcessFile") && Bind(lib.SetCallback, "RARSetCallback") &&
                 Bind(lib.SetPassword, "RARSetPassword");
    if (bound)
        Bind(lib.ProcessFileW, "RARProcessFileW");
    return bound;
}

void FreeRarLibrary() {
    RarLibrary = TRarLibrary{};
    rarModule.Reset();
}

} // namespace zarvo
