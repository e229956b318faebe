#include "setup/GuardedCall.h"

namespace zarvo {

namespace {

// A frame of the i386 exception handler chain (fs:[0]). The i686 GCC build has no SEH of its own.
struct TExceptionFrame {
    TExceptionFrame* next;
    void* handler;
};

extern "C" EXCEPTION_DISPOSITION __cdecl EndThreadOnUnhandledException(EXCEPTION_RECORD* record, void*,
                                                                       CONTEXT*, void*) noexcept {
    if ((record->ExceptionFlags & EXCEPTION_UNWIND) != 0)
        return ExceptionContinueSearch;
    // The library's state is unknown now: leave it loaded and end the worker, which reports failure.
    ExitThread(0);
}

} // namespace

__attribute__((noinline)) HRESULT CallEntryPointOrEndThread(TSelfRegistrationEntry entry) {
    TExceptionFrame frame{nullptr, reinterpret_cast<void*>(&EndThreadOnUnhandledException)};
    asm volatile("movl %%fs:0, %0" : "=r"(frame.next) : : "memory");
    asm volatile("movl %0, %%fs:0" : : "r"(&frame) : "memory");
    HRESULT result = entry();
    asm volatile("movl %0, %%fs:0" : : "r"(frame.next) : "memory");
    return result;
}

} // namespace zarvo
