#pragma once
// TLogView for accessibility clients (screen readers): a list with one item per line, each named by the
// line as shown; the focused line is the newest one unless the wheel moved it.

#include <windows.h>

namespace zarvo {

// The answer to WM_GETOBJECT for the client area of a log view window.
LRESULT AnswerLogViewObject(HWND window, WPARAM wParam);

// What the control tells listening clients: a line added (its item made), the focused line (while the
// control has the keyboard focus). Items count from 1, lines from 0.
void NotifyLineAdded(HWND window, size_t line);
void NotifyLineFocused(HWND window, size_t line);

} // namespace zarvo
