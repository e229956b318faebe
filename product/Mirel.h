#pragma once
// A plain library of the product that lies only in the installation folder: the libraries that import
// it load only when the loader searches their own folder.

#include <windows.h>

extern "C" {

#ifdef MIREL_BUILDING
#define MIREL_API
#else
#define MIREL_API __declspec(dllimport)
#endif

// Major version in the high word, minor in the low word.
MIREL_API DWORD MirelVersion() noexcept;

} // extern "C"
