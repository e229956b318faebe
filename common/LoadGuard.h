#pragma once
// Guards a library load or a call into foreign code: no critical-error boxes meanwhile, and the
// floating-point control word the program runs with is put back afterwards, whatever the library did.

#include <windows.h>

namespace zarvo {

class TLoadGuard {
public:
    explicit TLoadGuard(UINT errorMode = SEM_FAILCRITICALERRORS) noexcept
        : errorMode_(SetErrorMode(errorMode)) {
#if defined(__i386__) || defined(__x86_64__)
        asm volatile("fnstcw %0" : "=m"(controlWord_));
#endif
    }
    TLoadGuard(const TLoadGuard&) = delete;
    TLoadGuard& operator=(const TLoadGuard&) = delete;
    ~TLoadGuard() {
#if defined(__i386__) || defined(__x86_64__)
        // The no-wait form: a waiting clear would raise an exception the library left pending under
        // its own unmasked control word, here in the caller.
        asm volatile("fnclex\n\tfldcw %0" : : "m"(controlWord_));
#endif
        SetErrorMode(errorMode_);
    }

private:
    UINT errorMode_;
    unsigned short controlWord_ = 0;
};

} // namespace zarvo
