#pragma once
// Running a foreign library's code on a worker thread without letting a fault in it end the whole
// process.

#include <windows.h>

namespace zarvo {

using TSelfRegistrationEntry = HRESULT(WINAPI*)();

// Calls the entry point. A processor fault or any other exception that the library leaves unhandled ends
// the calling thread at once with exit code 0; only call this on a worker thread whose exit code 0
// means failure. The one exception: while the thread holds the loader lock the fault is left to the
// system, since ending the thread then would hang every later library load of the process.
HRESULT CallEntryPointOrEndThread(TSelfRegistrationEntry entry);

// True when the calling thread owns the loader lock: it is inside a library's DllMain or a loader call.
bool ThreadHoldsLoaderLock() noexcept;

// Notes every processor fault raised on the thread that creates it, while it lives, also one that a
// handler further up swallows. The loader runs a library's DllMain under a handler of its own: a fault
// there fails LoadLibrary, but one on release is swallowed and FreeLibrary still succeeds.
class TFaultWatch {
public:
    TFaultWatch() noexcept;
    TFaultWatch(const TFaultWatch&) = delete;
    TFaultWatch& operator=(const TFaultWatch&) = delete;
    ~TFaultWatch();

    bool Faulted() const noexcept { return faulted_; }

private:
    static LONG CALLBACK NoteFault(EXCEPTION_POINTERS* exception) noexcept;

    bool faulted_ = false;
    TFaultWatch* outer_;
    void* handler_;
};

} // namespace zarvo
