#include "setup/DllRegisterServerThread.h"

#include "common/Handles.h"
#include "common/Text.h"
#include "setup/GuardedCall.h"
#include "setup/PathText.h"

#include <optional>

namespace zarvo {

namespace {

bool RunWorker(const std::wstring& path, uint8_t mode) {
    TDllRegisterServerThread worker;
    worker.FLibraryPath = path;
    worker.FMode = mode;
    if (!worker.Start())
        return false;
    return worker.WaitFor() == 1;
}

TSelfRegistrationEntry Entry(HMODULE library, const char* name) {
    return reinterpret_cast<TSelfRegistrationEntry>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

} // namespace

HMODULE LoadLibraryWithErrorMode(const std::wstring& path, UINT errorMode, DWORD flags) {
    UINT previousMode = SetErrorMode(errorMode);
    // A library's start-up code may change the x87 control word (precision, unmasked exceptions) of the
    // thread that loads it.
    unsigned short controlWord = 0;
    asm volatile("fnstcw %0" : "=m"(controlWord));
    HMODULE library = LoadLibraryExW(path.c_str(), nullptr, flags);
    asm volatile("fnclex\n\tfldcw %0" : : "m"(controlWord));
    SetErrorMode(previousMode);
    return library;
}

DWORD TDllRegisterServerThread::Execute() {
    DWORD result = 0;
    // Declared before the library so that COM is released after it.
    std::optional<TComInit> com;
    try {
        DWORD flags = DONT_RESOLVE_DLL_REFERENCES;
        if (FMode != ModeProbe) {
            com.emplace(COINIT_APARTMENTTHREADED);
            flags = 0;
        }
        TModule library(LoadLibraryWithErrorMode(FLibraryPath, SEM_FAILCRITICALERRORS, flags));
        if (library) {
            TSelfRegistrationEntry registerServer = Entry(library.Get(), "DllRegisterServer");
            TSelfRegistrationEntry unregisterServer = Entry(library.Get(), "DllUnregisterServer");
            switch (FMode) {
            case ModeProbe:
                result = registerServer != nullptr && unregisterServer != nullptr ? 1 : 0;
                break;
            case ModeRegister:
                if (registerServer != nullptr && SUCCEEDED(CallEntryPointOrEndThread(registerServer)))
                    result = 1;
                break;
            case ModeUnregister:
                if (unregisterServer != nullptr && SUCCEEDED(CallEntryPointOrEndThread(unregisterServer)))
                    result = 1;
                break;
            default:
                break;
            }
        }
    } catch (...) {
        result = 0;
    }
    return result;
}

bool IsSelfRegisteringDll(const std::wstring& path) {
    return RunWorker(path, TDllRegisterServerThread::ModeProbe);
}

bool RegisterDllServer(const std::wstring& path) {
    return RunWorker(path, TDllRegisterServerThread::ModeRegister);
}

bool UnregisterDllServer(const std::wstring& path) {
    return RunWorker(path, TDllRegisterServerThread::ModeUnregister);
}

void FindSelfRegisteringDlls(const std::wstring& folder, std::vector<std::wstring>& list) {
    WIN32_FIND_DATAW entry;
    TFindHandle find(FindFirstFileW((folder + L"\\*.*").c_str(), &entry));
    if (!find)
        return;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            continue;
        std::wstring candidate = UpperCase(folder + L"\\" + entry.cFileName);
        if (IsSelfRegisteringDll(candidate))
            list.push_back(candidate);
    } while (FindNextFileW(find.Get(), &entry));
}

} // namespace zarvo
