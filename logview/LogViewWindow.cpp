// TLogView as a window: the class, its procedure, and what keys and the mouse do.

#include "logview/LogView.h"

#include "common/Handles.h"
#include "logview/LogViewAccessible.h"

#include <windowsx.h>

#include <algorithm>

namespace zarvo {

namespace {

constexpr UINT CopyCommand = 1;
constexpr UINT OpenJournalCommand = 2;

struct MenuTraits {
    using Type = HMENU;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { DestroyMenu(h); }
};
using TMenu = TOwned<MenuTraits>;

bool KeyDown(int key) {
    return GetKeyState(key) < 0;
}

} // namespace

bool RegisterLogViewClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &TLogView::WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = LogViewClassName;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

LRESULT CALLBACK TLogView::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    try {
        if (message == WM_NCCREATE) {
            // Owned by the window from here on, deleted in WM_NCDESTROY.
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new TLogView(window)));
            return DefWindowProcW(window, message, wParam, lParam);
        }
        auto* view = reinterpret_cast<TLogView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (view == nullptr)
            return DefWindowProcW(window, message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            delete view;
            return DefWindowProcW(window, message, wParam, lParam);
        }
        return view->HandleMessage(message, wParam, lParam);
    } catch (...) {
        // Out of memory at worst; the message gets the system's default handling.
        return message == WM_NCCREATE ? FALSE : DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT TLogView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        Create();
        return 0;
    case WM_SIZE:
        SetTopRow(topRow_);
        UpdateScrollBar();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window_, &paint);
        Paint(dc);
        EndPaint(window_, &paint);
        return 0;
    }
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_SETFONT:
        SetFont(reinterpret_cast<HFONT>(wParam));
        if (LOWORD(lParam))
            InvalidateRect(window_, nullptr, FALSE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font_);
    case WM_SETFOCUS:
        if (!lines_.empty())
            NotifyLineFocused(window_, size_t(focusedRow_));
        InvalidateRect(window_, nullptr, FALSE);
        return 0;
    case WM_ENABLE:
    case WM_KILLFOCUS:
        // The grey of the texts and the focus rectangle change.
        InvalidateRect(window_, nullptr, FALSE);
        return 0;
    case WM_GETDLGCODE:
        // Arrows stay here instead of moving the dialog's focus; they change nothing.
        return DLGC_WANTARROWS;
    case WM_KEYDOWN:
        if (OnKeyDown(wParam))
            return 0;
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        // A click focuses the control but never moves its focused line.
        SetFocus(window_);
        return 0;
    case WM_CONTEXTMENU:
        if (ShowContextMenu(lParam))
            return 0;
        break;
    case WM_MOUSEWHEEL:
        OnMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam));
        return 0;
    case WM_VSCROLL:
        OnVScroll(wParam);
        return 0;
    case WM_HSCROLL:
        return 0;
    case WM_GETOBJECT:
        // Accessibility clients get the lines as a list; any other object is the system's.
        if (LONG(lParam) == OBJID_CLIENT)
            if (LRESULT answer = AnswerLogViewObject(window_, wParam))
                return answer;
        break;
    case WM_GETTEXTLENGTH:
        return LRESULT(TextLength());
    case WM_GETTEXT:
        return LRESULT(CopyText(reinterpret_cast<wchar_t*>(lParam), size_t(wParam)));
    default:
        break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

void TLogView::OnMouseWheel(int delta) {
    if (rowCount_ == 0)
        return;
    // One row per notch; the rest of a fine-grained wheel's turn waits for the next message.
    wheelRemainder_ += delta;
    int notches = wheelRemainder_ / WHEEL_DELTA;
    wheelRemainder_ -= notches * WHEEL_DELTA;
    if (notches != 0) {
        FocusRow(focusedRow_ - notches);
        UpdateScrollBar();
        NotifyLineFocused(window_, size_t(focusedRow_));
    }
}

bool TLogView::OnKeyDown(WPARAM key) {
    bool copy = (key == 'C' || key == VK_INSERT) && KeyDown(VK_CONTROL) && !KeyDown(VK_MENU);
    if (copy)
        CopyToClipboard();
    return copy;
}

bool TLogView::ShowContextMenu(LPARAM position) {
    POINT point{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    if (position == -1) {
        // From the keyboard: below the focused line's mark.
        int bottom = std::min((focusedRow_ - topRow_ + 1) * rowHeight_, ClientHeight());
        point = {0, std::max(0, bottom)};
        ClientToScreen(window_, &point);
    } else if (SendMessageW(window_, WM_NCHITTEST, 0, position) != HTCLIENT) {
        return false; // the scroll bar's own menu
    }
    TMenu menu(CreatePopupMenu());
    if (!menu.Valid() ||
        !AppendMenuW(menu.Get(), MF_STRING | (lines_.empty() ? MF_GRAYED : 0), CopyCommand, L"Копировать"))
        return true;
    if (openJournal_)
        AppendMenuW(menu.Get(), MF_STRING, OpenJournalCommand, L"Открыть журнал");
    HWND window = window_;
    UINT command = UINT(TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, point.x,
                                       point.y, 0, window, nullptr));
    // The menu's loop handles other messages too; the control may be gone when it returns.
    if (FromHandle(window) != this)
        return true;
    if (command == CopyCommand)
        CopyToClipboard();
    else if (command == OpenJournalCommand && openJournal_)
        openJournal_();
    return true;
}

} // namespace zarvo
