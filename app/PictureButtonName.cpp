#include "app/PictureButtonName.h"

#include "common/Accessible.h"

#include <commctrl.h>

#include <new>

namespace zarvo {

namespace {

LRESULT CALLBACK PictureButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                   DWORD_PTR labelId) noexcept {
    if (message == WM_GETOBJECT && LONG(lParam) == OBJID_CLIENT) {
        // Looked up at each question: the label is made after the button.
        HWND label = GetDlgItem(GetParent(window), int(labelId));
        auto* object = new (std::nothrow) TPictureButtonAccessible(window, label);
        LRESULT answer =
            object != nullptr && label != nullptr && object->Valid() ? AccessibleResult(wParam, object) : 0;
        if (object != nullptr)
            object->Release();
        if (answer != 0)
            return answer;
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, &PictureButtonProc, 0);
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

} // namespace

bool NamePictureButton(HWND button, int labelId) {
    return SetWindowSubclass(button, &PictureButtonProc, 0, DWORD_PTR(labelId)) != FALSE;
}

} // namespace zarvo
