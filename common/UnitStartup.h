#pragma once
// The common unit's start-up state: the running module, its version line, the heap mode and the optional
// system functions.

#include <windows.h>

#include <string>

namespace zarvo {

// --- Unit state, set by CommonUtilsStartup ---

extern std::wstring ModulePath;        // the running executable, after ResolveSubstPath
extern std::wstring ModuleVersionText; // "версия 1.2.0.15 от 08.04.2005" or the "no version" text
extern std::wstring HeapInfoText;      // the process heap's compatibility mode, in English
extern ULONG HeapCompatibility;        // 2 (low-fragmentation) asked for, then the value read back

using THeapQueryInformation = BOOL(WINAPI*)(HANDLE, HEAP_INFORMATION_CLASS, void*, SIZE_T, SIZE_T*);
using THeapSetInformation = BOOL(WINAPI*)(HANDLE, HEAP_INFORMATION_CLASS, void*, SIZE_T);
using TStrCmpLogicalW = int(WINAPI*)(const wchar_t*, const wchar_t*);
using TUuidCreate = long(WINAPI*)(GUID*);

extern THeapQueryInformation HeapQueryInformationFn;
extern THeapSetInformation HeapSetInformationFn;
extern TStrCmpLogicalW StrCmpLogicalWFn;
extern TUuidCreate UuidCreateFn;

// "версия M.m.r.b от <short date>" for a file with a version block, otherwise
// "Информация о версии отсутствует".
std::wstring BuildModuleVersionText(const std::wstring& fileName);

// Loads the required system libraries (raising "Kernel32.DLL not found" / "RPCRT4.DLL not found"),
// sets the low-fragmentation heap, clears both report slots, fills the unit state and binds the
// optional functions. Runs once, before the main form exists.
void CommonUtilsStartup();
// Frees the libraries and clears the texts.
void CommonUtilsShutdown();

} // namespace zarvo
