#define MIREL_BUILDING
#include "Mirel.h"

extern "C" DWORD MirelVersion() noexcept {
    return MAKELONG(2, 1);
}
