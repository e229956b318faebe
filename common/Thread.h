#pragma once
// A worker thread: created, its fields set by the owner, started, waited for, exit code read.

#include "common/Handles.h"

#include <string>

namespace zarvo {

class TThread {
public:
    TThread() = default;
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;
    // Waits for a started thread before the object goes away.
    virtual ~TThread();

    // Starts Execute on a new thread. False when the thread cannot be created.
    bool Start();
    // Waits without a time-out. While it waits on the GUI thread, messages sent to that thread's windows
    // (SendMessage from other threads, the worker included) are still delivered, so the worker cannot
    // dead-lock on them. Returns the exit code.
    DWORD WaitFor();
    bool Started() const noexcept { return handle_.Valid(); }
    DWORD ExitCode() const noexcept { return exitCode_; }
    // The message of an exception that escaped Execute; the exit code is then ExceptionExitCode.
    const std::wstring& FailureText() const noexcept { return failureText_; }

    static constexpr DWORD ExceptionExitCode = 0xE0000000;

protected:
    // Runs on the new thread; its result becomes the exit code.
    virtual DWORD Execute() = 0;

private:
    static DWORD WINAPI ThreadProc(void* self) noexcept;

    THandle handle_;
    DWORD exitCode_ = 0;
    std::wstring failureText_;
};

} // namespace zarvo
