#include "common/Thread.h"

#include "common/SetupError.h"

namespace zarvo {

TThread::~TThread() {
    WaitFor();
}

bool TThread::Start() {
    if (handle_.Valid())
        return false;
    handle_.Reset(CreateThread(nullptr, 0, &TThread::ThreadProc, this, 0, nullptr));
    return handle_.Valid();
}

DWORD WINAPI TThread::ThreadProc(void* self) noexcept {
    auto* thread = static_cast<TThread*>(self);
    try {
        return thread->Execute();
    } catch (...) {
        thread->failureText_ = CurrentExceptionMessage();
    }
    return ExceptionExitCode;
}

DWORD TThread::WaitFor() noexcept {
    if (!handle_.Valid())
        return exitCode_;
    HANDLE handle = handle_.Get();
    for (;;) {
        DWORD wait = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_SENDMESSAGE);
        if (wait == WAIT_OBJECT_0 + 1) {
            // Peeking delivers the pending sent messages; nothing is taken from the posted queue.
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
            continue;
        }
        if (wait != WAIT_OBJECT_0)
            WaitForSingleObject(handle, INFINITE);
        break;
    }
    GetExitCodeThread(handle, &exitCode_);
    handle_.Reset();
    return exitCode_;
}

} // namespace zarvo
