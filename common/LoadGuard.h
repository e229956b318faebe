#pragma once
// Guards a library load or a call into foreign code: no critical-error boxes meanwhile, and the
// floating-point control word the program runs with is put back afterwards, whatever the library did.

#include <windows.h>

namespace zarvo {

class TLoadGuard {
public:
    TLoadGuard() noexcept : errorMode_(SetErrorMode(SEM_FAILCRITICALERRORS)) {
#if defined(__i386__) || defined(__x86_64__)
        asm volatile("fnstcw %0" : "=m"(controlWord_));
#endif
    }
    TLoadGuard(const TLoadGuard&) = delete;
    TLoadGuard& operator=(const TLoadGuard&) = delete;
    ~TLoadGuard() {
#if defined(__i386__) || defined(__x86_64__)
        asm volatile("fclex\n\tfldcw %0" : : "m"(controlWord_));
#endif
        SetErrorMode(errorMode_);
    }

private:
    UINT errorMode_;
    unsigned short controlWord_ = 0;
};

} // namespace zarvo
