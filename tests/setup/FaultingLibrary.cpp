// A self-registering library for the tests whose start-up or shutdown code misbehaves, as chosen by the
// environment of the loading process when it is loaded:
//   ZARVO_FAULTING_DLLMAIN=attach   DllMain writes through a null pointer on load
//   ZARVO_FAULTING_DLLMAIN=detach   ... on release
//   ZARVO_FAULTING_DLLMAIN=fpu      DllMain unmasks invalid operations and leaves one pending on the x87
// Its entry points succeed and record nothing.
#include <windows.h>

namespace {

enum class TFault { None, Attach, Detach, Fpu };
TFault fault = TFault::None;

TFault RequestedFault() {
    wchar_t value[16];
    DWORD length = GetEnvironmentVariableW(L"ZARVO_FAULTING_DLLMAIN", value, ARRAYSIZE(value));
    if (length == 0 || length >= ARRAYSIZE(value))
        return TFault::None;
    if (lstrcmpW(value, L"attach") == 0)
        return TFault::Attach;
    if (lstrcmpW(value, L"detach") == 0)
        return TFault::Detach;
    if (lstrcmpW(value, L"fpu") == 0)
        return TFault::Fpu;
    return TFault::None;
}

void WriteThroughNull() {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) noexcept {
    if (reason == DLL_PROCESS_ATTACH) {
        fault = RequestedFault();
        if (fault == TFault::Attach)
            WriteThroughNull();
        if (fault == TFault::Fpu) {
            // Square root of -1 with invalid operations unmasked; no waiting instruction follows here, so
            // the exception stays pending for the next one the loading thread executes.
            unsigned short word = 0x037E;
            asm volatile("fldcw %0\n\tfld1\n\tfchs\n\tfsqrt" : : "m"(word));
        }
    }
    if (reason == DLL_PROCESS_DETACH && fault == TFault::Detach)
        WriteThroughNull();
    return TRUE;
}

extern "C" HRESULT WINAPI DllRegisterServer() noexcept {
    return S_OK;
}

extern "C" HRESULT WINAPI DllUnregisterServer() noexcept {
    return S_OK;
}
