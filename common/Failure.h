#pragma once
// Why an operation failed, as it arose: the one way a failure travels below the engine. Operations that
// can fail answer false and fill one of these; whoever reports it shows the text unchanged.

#include <windows.h>

#include <string>

namespace zarvo {

struct TFailure {
    // The system's code when the system said why (a full drive, a file held by another program), so that
    // callers can act on it; ERROR_SUCCESS when the failure is the program's own finding.
    DWORD code = ERROR_SUCCESS;
    // The whole reason as the log shows it, the subject named.
    std::wstring text;
};

// subject + ": " + the system's description of the code.
TFailure SystemFailure(DWORD code, const std::wstring& subject);
// The same for the calling thread's last error.
TFailure LastErrorFailure(const std::wstring& subject);

} // namespace zarvo
