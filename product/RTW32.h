#pragma once
// The product's runtime library, which the setup places into the system folder.

#include <windows.h>

extern "C" {

#ifdef RTW32_BUILDING
#define RTW32_API
#else
#define RTW32_API __declspec(dllimport)
#endif

// Major version in the high word, minor in the low word.
RTW32_API DWORD RtwVersion() noexcept;

} // extern "C"
