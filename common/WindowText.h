#pragma once
// The text of a window of this process: a control's contents or a window's caption.

#include <windows.h>

#include <string>

namespace zarvo {

std::wstring WindowText(HWND window);

} // namespace zarvo
