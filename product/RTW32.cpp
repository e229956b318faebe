#define RTW32_BUILDING
#include "RTW32.h"

extern "C" DWORD RtwVersion() noexcept {
    return MAKELONG(0, 3);
}
