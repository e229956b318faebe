#pragma once
// A program a test starts, ended by the test at the latest when the object goes away: a test that failed
// half-way must not leave it behind for the next one.

#include "common/Handles.h"

#include <windows.h>

#include <optional>
#include <string>

namespace zarvo::testing {

class TChildProcess {
public:
    TChildProcess() = default;
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;
    ~TChildProcess() { Terminate(); }

    // Starts the program with the arguments in the folder (empty: this process's current folder); false,
    // with the system's error code left for GetLastError, when it cannot.
    bool Start(const std::wstring& program, const std::wstring& arguments, const std::wstring& folder = {});
    bool Started() const noexcept { return process_.Valid(); }
    DWORD Id() const noexcept { return id_; }
    bool Running() const;
    // Waits for the program to end; its exit code, or nothing when it still runs after timeoutMs.
    std::optional<DWORD> WaitForExit(DWORD timeoutMs) const;
    // Ends the program if it still runs and lets go of it.
    void Terminate();

private:
    THandle process_;
    DWORD id_ = 0;
};

} // namespace zarvo::testing
