// The configuration library. Like the product's runtime, it sets its own floating-point control word
// when it is loaded, which is why the setup guards that word around every library load.
#include "SelfRegistration.h"

namespace {

HMODULE self = nullptr;

// Precision 64 bits, round to nearest, only the precision, underflow and denormal exceptions masked.
constexpr unsigned short RuntimeControlWord = 0x1332;

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) noexcept {
    if (reason == DLL_PROCESS_ATTACH) {
        self = instance;
        unsigned short word = RuntimeControlWord;
        asm volatile("fldcw %0" : : "m"(word));
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllRegisterServer() noexcept {
    return standin::RegisterStandIn(self);
}

extern "C" HRESULT WINAPI DllUnregisterServer() noexcept {
    return standin::UnregisterStandIn(self);
}
