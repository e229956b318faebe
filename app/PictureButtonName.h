#pragma once
// Names for buttons that show a picture instead of a text: screen readers read the label beside them.

#include <windows.h>

namespace zarvo {

// From now on accessibility clients see the button as a push button named by the text of its sibling
// with that control ID. False when the button cannot be subclassed.
bool NamePictureButton(HWND button, int labelId);

} // namespace zarvo
