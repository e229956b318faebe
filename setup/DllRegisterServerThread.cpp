#include "setup/DllRegisterServerThread.h"

#include "common/Libraries.h"
#include "common/Handles.h"
#include "common/LoadGuard.h"
#include "common/Text.h"
#include "setup/GuardedCall.h"
#include "setup/ImportTable.h"
#include "setup/LoadFailure.h"
#include "common/PathText.h"

#include <optional>

namespace zarvo {

namespace {

// The failure says why when more is known than that the entry point answered failure: no worker, or a
// library that could not be loaded.
bool RunWorker(const std::wstring& path, uint8_t mode, TFailure* failure = nullptr) {
    TJoiningThread<TDllRegisterServerThread> worker;
    worker.FLibraryPath = path;
    worker.FMode = mode;
    if (!worker.Start()) {
        if (failure != nullptr)
            *failure = LastErrorFailure(path);
        return false;
    }
    const bool succeeded = worker.WaitFor() == 1;
    if (failure != nullptr && worker.FLoadError != ERROR_SUCCESS)
        *failure = {worker.FLoadError, LoadFailureText(path, worker.FLoadError)};
    return succeeded;
}

TSelfRegistrationEntry Entry(HMODULE library, const char* name) {
    return reinterpret_cast<TSelfRegistrationEntry>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

// Calls the entry point of the mode; 1 for a success code.
DWORD CallForMode(HMODULE library, uint8_t mode) {
    TSelfRegistrationEntry registerServer = Entry(library, "DllRegisterServer");
    TSelfRegistrationEntry unregisterServer = Entry(library, "DllUnregisterServer");
    switch (mode) {
    case TDllRegisterServerThread::ModeProbe:
        return registerServer != nullptr && unregisterServer != nullptr ? 1 : 0;
    case TDllRegisterServerThread::ModeRegister:
        return registerServer != nullptr && SUCCEEDED(CallEntryPointOrEndThread(registerServer)) ? 1 : 0;
    case TDllRegisterServerThread::ModeUnregister:
        return unregisterServer != nullptr && SUCCEEDED(CallEntryPointOrEndThread(unregisterServer)) ? 1 : 0;
    default:
        return 0;
    }
}

} // namespace

HMODULE LoadLibraryWithErrorMode(const std::wstring& path, UINT errorMode, DWORD flags) {
    // A library's start-up code may change the x87 control word of the thread that loads it.
    HMODULE library = nullptr;
    DWORD error = ERROR_SUCCESS;
    {
        TLoadGuard guard(errorMode);
        library = LoadLibraryExW(path.c_str(), nullptr, flags);
        error = GetLastError();
    }
    // Restoring the error mode must not hide why the load failed.
    SetLastError(error);
    return library;
}

DWORD TDllRegisterServerThread::Execute() {
    DWORD result = 0;
    // Declared before the library so that COM is released after it.
    std::optional<TComInit> com;
    try {
        // The probe resolves no imports and runs no library code. Registering does both, finding the
        // library's imports in its own folder (which needs the full path) and the system folder only.
        DWORD flags = DONT_RESOLVE_DLL_REFERENCES;
        if (FMode != ModeProbe) {
            com.emplace(COINIT_APARTMENTTHREADED);
            flags = LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | SystemFolderImportFlags();
        }
        // The loader contains a fault in the library's DllMain; the watches make it the library's failure.
        TModule library;
        bool faulted = false;
        {
            TFaultWatch watch;
            library.Reset(LoadLibraryWithErrorMode(FullPath(FLibraryPath), SEM_FAILCRITICALERRORS, flags));
            if (!library) {
                // A failure that gives no reason still failed; its start-up code is all that ran.
                DWORD error = GetLastError();
                FLoadError = error != ERROR_SUCCESS ? error : ERROR_DLL_INIT_FAILED;
            }
            faulted = watch.Faulted();
        }
        if (library && !faulted)
            result = CallForMode(library.Get(), FMode);
        TFaultWatch watch;
        library.Reset();
        if (watch.Faulted())
            result = 0;
    } catch (...) {
        result = 0;
    }
    return result;
}

bool IsSelfRegisteringDll(const std::wstring& path) {
    // Loading every file of a folder is slow; the file's own tables rule most of them out first.
    return MayExportBoth(path, "DllRegisterServer", "DllUnregisterServer") &&
           RunWorker(path, TDllRegisterServerThread::ModeProbe);
}

bool RegisterDllServer(const std::wstring& path, TFailure* failure) {
    return RunWorker(path, TDllRegisterServerThread::ModeRegister, failure);
}

bool UnregisterDllServer(const std::wstring& path, TFailure* failure) {
    return RunWorker(path, TDllRegisterServerThread::ModeUnregister, failure);
}

void FindSelfRegisteringDlls(const std::wstring& folder, std::vector<std::wstring>& list) {
    WIN32_FIND_DATAW entry;
    TFindHandle find(FindFirstFileW((folder + L"\\*.*").c_str(), &entry));
    if (!find)
        return;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            continue;
        // Asked by the name as listed: a file system that tells case apart (Wine's, say) finds that one at
        // once, where another spelling makes it search the folder.
        const std::wstring candidate = JoinPath(folder, entry.cFileName);
        if (IsSelfRegisteringDll(candidate))
            list.push_back(UpperCase(candidate));
    } while (FindNextFileW(find.Get(), &entry));
}

} // namespace zarvo
