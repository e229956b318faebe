// A self-registering library that imports Mirel.dll, which lies beside it in the installation folder and
// nowhere else: it loads only when its own folder is searched for the libraries it imports.
#include "Mirel.h"
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
        result = standin::WriteStandInValue(self, L"SharedVersion", MirelVersion());
    return result;
}

extern "C" HRESULT WINAPI DllUnregisterServer() noexcept {
    return standin::UnregisterStandIn(self);
}
