// A library that can register itself but not unregister: it exports DllRegisterServer only, so the
// setup must leave it alone.
#include "SelfRegistration.h"

namespace {

HMODULE self = nullptr;

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) noexcept {
    if (reason == DLL_PROCESS_ATTACH)
        self = instance;
    return TRUE;
}

extern "C" HRESULT WINAPI DllRegisterServer() noexcept {
    return standin::RegisterStandIn(self);
}
