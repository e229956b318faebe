#pragma once
// A worker thread: created, its fields set by the owner, started, waited for, exit code read.
//
// A thread class derives from TThread and is created only as TJoiningThread<Class>: the wrapper's
// destructor waits for the thread before the class's own fields go away, so a worker still running never
// uses freed fields. TThread cannot do that itself, since its destructor runs after theirs.

#include "common/Handles.h"

#include <string>

namespace zarvo {

class TThread {
public:
    TThread() = default;
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;
    // The wrapper has waited by now; waits again only for a thread started during destruction.
    virtual ~TThread();

    // Starts Execute on a new thread. False when the thread cannot be created.
    bool Start();
    // Waits without a time-out. While it waits, messages sent to the waiting thread's windows
    // (SendMessage from other threads, the worker included) are still delivered, so the worker cannot
    // dead-lock on them. Returns the exit code.
    DWORD WaitFor() noexcept;
    bool Started() const noexcept { return handle_.Valid(); }
    DWORD ExitCode() const noexcept { return exitCode_; }
    // The message of an exception that escaped Execute; the exit code is then ExceptionExitCode.
    const std::wstring& FailureText() const noexcept { return failureText_; }

    static constexpr DWORD ExceptionExitCode = 0xE0000000;

protected:
    // Runs on the new thread; its result becomes the exit code.
    virtual DWORD Execute() = 0;

private:
    // Defined by TJoiningThread alone, so that a thread class cannot be created without the wrapper.
    virtual void JoinedBeforeFieldsGo() noexcept = 0;

    static DWORD WINAPI ThreadProc(void* self) noexcept;

    THandle handle_;
    DWORD exitCode_ = 0;
    std::wstring failureText_;
};

// The object to create for a thread class: waits for the thread (serving sent messages) before the
// class's fields are destroyed.
template <class Thread> class TJoiningThread final : public Thread {
public:
    using Thread::Thread;
    ~TJoiningThread() override { this->WaitFor(); }

private:
    void JoinedBeforeFieldsGo() noexcept override {}
};

} // namespace zarvo
