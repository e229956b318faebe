#pragma once
// What the stand-in libraries do when they register themselves: each one keeps a key of its own,
// HKCR\ZarvoStandIn\<library>, named after its file without the extension ("Tornel"), so a test can
// see that (and how) its entry point ran. A copy under another name acts as another library.
//
// Values of that key:
//   Module     REG_SZ     the library's file as loaded
//   ThreadId   REG_DWORD  the thread that called DllRegisterServer
//   Apartment  REG_SZ     that thread's COM apartment: "STA" (the main one too), "MTA", "NA" or "none"
// A library may add values of its own.
//
// Tests make a library fail on purpose through the environment of the process that loads it:
//   ZARVO_STANDIN_FAIL=Selvar.unregister;Tornel.register   the entry point returns E_FAIL
//   ZARVO_STANDIN_CRASH=Selvar.register                    the entry point writes through a null pointer
//   ZARVO_STANDIN_NOTIFY=<window title>                    every entry point first sends WM_APP to that
//                                                          window and waits until it is handled

#include <windows.h>

namespace standin {

inline constexpr wchar_t StandInRootKey[] = L"ZarvoStandIn";

// The entry points of a stand-in library call these with their own module.
HRESULT RegisterStandIn(HMODULE module);
HRESULT UnregisterStandIn(HMODULE module);

// Adds a REG_DWORD value to the library's key; for values beyond the common ones.
HRESULT WriteStandInValue(HMODULE module, const wchar_t* name, DWORD value);

} // namespace standin
