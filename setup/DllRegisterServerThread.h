#pragma once
// Self-registering libraries (in-process servers): probing, registering and unregistering one library on
// a short-lived worker thread while the calling thread waits.

#include "common/Failure.h"
#include "common/Thread.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zarvo {

// Created as TJoiningThread<TDllRegisterServerThread>.
class TDllRegisterServerThread : public TThread {
public:
    enum : uint8_t { ModeProbe = 0, ModeRegister = 1, ModeUnregister = 2 };

    // Set before Start(); the exit code is 1 for success, anything else is a failure.
    std::wstring FLibraryPath;
    uint8_t FMode = ModeProbe;
    // Set by the worker: the system's error code when the library could not be loaded, ERROR_SUCCESS
    // when it was (or never tried). Read after the thread has ended.
    DWORD FLoadError = ERROR_SUCCESS;

protected:
    DWORD Execute() override;
};

// Loads a library under a temporary process error mode, with the floating-point control word of the
// calling thread saved and restored around the load. nullptr on failure, with the load's error code left
// as the thread's last error.
HMODULE LoadLibraryWithErrorMode(const std::wstring& path, UINT errorMode, DWORD flags);

// Does the file export both DllRegisterServer and DllUnregisterServer? Loads it without resolving its
// imports or running its code.
bool IsSelfRegisteringDll(const std::wstring& path);
// Calls the library's DllRegisterServer / DllUnregisterServer; true for a success code. The library is
// loaded by its full path with its own folder searched for the libraries it imports. A processor fault
// in its DllMain (on load or on release) or in the entry point fails it. failure, when given, receives why
// when the library could not be loaded (the load's error code, and the text naming what it lacks) or no
// worker could be started; it is left as it is when the entry point itself answered failure.
bool RegisterDllServer(const std::wstring& path, TFailure* failure = nullptr);
bool UnregisterDllServer(const std::wstring& path, TFailure* failure = nullptr);

// Appends the upper-cased full paths of the self-registering libraries directly in the folder, in the
// file system's order. Subfolders are not entered.
void FindSelfRegisteringDlls(const std::wstring& folder, std::vector<std::wstring>& list);

} // namespace zarvo
