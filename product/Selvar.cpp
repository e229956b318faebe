// A self-registering library of the product that needs the runtime library: it can be registered only
// once RTW32.dll is where the loader finds it (the system folder), while probing it needs nothing.
#include "RTW32.h"
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
    HRESULT result = standin::RegisterStandIn(self);
    if (SUCCEEDED(result))
        result = standin::WriteStandInValue(self, L"RuntimeVersion", RtwVersion());
    return result;
}

extern "C" HRESULT WINAPI DllUnregisterServer() noexcept {
    return standin::UnregisterStandIn(self);
}
