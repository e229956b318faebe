#pragma once

#include "common/GdiHandles.h"

#include <windows.h>

namespace zarvo {

// A bitmap resource as a DIB section in its own colour format. The pictures are stored run-length
// coded (BI_RLE8) to keep the executable small; uncompressed ones load too. Invalid when the resource is
// missing or malformed; the last error then says why where the system gave one.
TGdiObject LoadPicture(HINSTANCE instance, const wchar_t* name);

} // namespace zarvo
