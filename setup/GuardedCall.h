#pragma once
// Calling a foreign library's entry point on a worker thread without letting a fault in it end the
// whole process.

#include <windows.h>

namespace zarvo {

using TSelfRegistrationEntry = HRESULT(WINAPI*)();

// Calls the entry point. A processor fault or any other exception that the library leaves unhandled ends
// the calling thread at once with exit code 0; only call this on a worker thread whose exit code 0
// means failure.
HRESULT CallEntryPointOrEndThread(TSelfRegistrationEntry entry);

} // namespace zarvo
