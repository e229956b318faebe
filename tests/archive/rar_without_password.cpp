// A library with every entry point of the extraction interface but RARSetPassword, which also
// changes the floating-point control word when it loads: the loader must refuse it and keep
// the program's control word.
#include <windows.h>

extern "C" {
__declspec(dllexport) int __stdcall RARGetDllVersion() {
    return 4;
}
__declspec(dllexport) HANDLE __stdcall RAROpenArchive(void*) {
    return nullptr;
}
__declspec(dllexport) HANDLE __stdcall RAROpenArchiveEx(void*) {
    return nullptr;
}
__declspec(dllexport) int __stdcall RARCloseArchive(HANDLE) {
    return 0;
}
__declspec(dllexport) int __stdcall RARReadHeader(HANDLE, void*) {
    return 10;
}
__declspec(dllexport) int __stdcall RARReadHeaderEx(HANDLE, void*) {
    return 10;
}
__declspec(dllexport) int __stdcall RARProcessFile(HANDLE, int, char*, char*) {
    return 12;
}
__declspec(dllexport) void __stdcall RARSetCallback(HANDLE, void*, LPARAM) {}
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) {
        unsigned short word = 0x007f; // single precision instead of the usual extended (0x037f)
        asm volatile("fldcw %0" : : "m"(word));
    }
    return TRUE;
}
