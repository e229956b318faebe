// A self-registering library for the tests that imports both the runtime library and Mirel.dll, so that
// a folder can lack more than one library it needs. Its entry points only call into both.
#include "Mirel.h"
#include "RTW32.h"

extern "C" HRESULT WINAPI DllRegisterServer() noexcept {
    return RtwVersion() != 0 && MirelVersion() != 0 ? S_OK : E_FAIL;
}

extern "C" HRESULT WINAPI DllUnregisterServer() noexcept {
    return S_OK;
}
