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
    if ((record->ExceptionFlags & EXCEPTION_UNWIND) != 0 || ThreadHoldsLoaderLock())
        return ExceptionContinueSearch;
    // The library's state is unknown now: leave it loaded and end the worker, which reports failure.
    ExitThread(0);
}

// The thread's watch, if any. A slot of the system's own: the handler may run inside the loader. Taken
// at start-up, before any worker thread can ask for it.
const DWORD WatchSlotIndex = TlsAlloc();

DWORD WatchSlot() noexcept {
    return WatchSlotIndex;
}

bool IsProcessorFault(DWORD code) noexcept {
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_FLT_DENORMAL_OPERAND:
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_FLT_INEXACT_RESULT:
    case EXCEPTION_FLT_INVALID_OPERATION:
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_FLT_STACK_CHECK:
    case EXCEPTION_FLT_UNDERFLOW:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_OVERFLOW:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_STACK_OVERFLOW:
        return true;
    default:
        return false;
    }
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

bool ThreadHoldsLoaderLock() noexcept {
    // PEB.LoaderLock (offset 0xA0 of the 32-bit PEB): the critical section the loader serialises on,
    // whose owner field holds the owning thread's id.
    const unsigned char* peb = nullptr;
    asm("movl %%fs:0x30, %0" : "=r"(peb));
    auto* lock = *reinterpret_cast<RTL_CRITICAL_SECTION* const*>(peb + 0xA0);
    return lock != nullptr && HandleToULong(lock->OwningThread) == GetCurrentThreadId();
}

TFaultWatch::TFaultWatch() noexcept : outer_(static_cast<TFaultWatch*>(TlsGetValue(WatchSlot()))) {
    TlsSetValue(WatchSlot(), this);
    handler_ = AddVectoredExceptionHandler(1, &TFaultWatch::NoteFault);
}

TFaultWatch::~TFaultWatch() {
    if (handler_ != nullptr)
        RemoveVectoredExceptionHandler(handler_);
    TlsSetValue(WatchSlot(), outer_);
}

LONG CALLBACK TFaultWatch::NoteFault(EXCEPTION_POINTERS* exception) noexcept {
    // Seen before any frame handler, on every thread: note this thread's faults and pass them on.
    DWORD lastError = GetLastError();
    if (IsProcessorFault(exception->ExceptionRecord->ExceptionCode))
        for (auto* watch = static_cast<TFaultWatch*>(TlsGetValue(WatchSlot())); watch != nullptr;
             watch = watch->outer_)
            watch->faulted_ = true;
    SetLastError(lastError);
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace zarvo
