#include "DialogTestSupport.h"
#include "tests/support/Screenshot.h"

#include "tests/support/DialogWatcher.h"

#include <commctrl.h>

#include <atomic>

namespace zarvo::testing {

namespace {

std::atomic<LONG> helpPassedOn{0};

LRESULT CALLBACK CountPassedOnHelp(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                   DWORD_PTR) noexcept {
    if (message == WM_HELP)
        ++helpPassedOn;
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(window, &CountPassedOnHelp, 1);
    return DefSubclassProc(window, message, wParam, lParam);
}

// Runs before the dialog procedure sees WM_INITDIALOG, so before the component subclasses the window.
LRESULT CALLBACK ProbeInitialisingDialog(int code, WPARAM wParam, LPARAM lParam) noexcept {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    wchar_t className[16] = {};
    if (code == HC_ACTION && call->message == WM_INITDIALOG && GetClassNameW(call->hwnd, className, 16) &&
        std::wstring(className) == L"#32770") {
        SetWindowLongPtrW(call->hwnd, GWL_EXSTYLE,
                          GetWindowLongPtrW(call->hwnd, GWL_EXSTYLE) | WS_EX_CONTEXTHELP);
        SetWindowSubclass(call->hwnd, &CountPassedOnHelp, 1, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

TShellDialogProbe::TShellDialogProbe()
    : hook_(SetWindowsHookExW(WH_CALLWNDPROC, &ProbeInitialisingDialog, nullptr, GetCurrentThreadId())) {
    helpPassedOn = 0;
}

TShellDialogProbe::~TShellDialogProbe() {
    UnhookWindowsHookEx(hook_);
}

LONG TShellDialogProbe::HelpPassedOn() {
    return helpPassedOn;
}

HWND ChildWithText(HWND dialog, const std::wstring& text) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        if (WindowText(child) == text)
            return child;
    return nullptr;
}

std::wstring SaveScreenshot(HWND window, const std::wstring& name) {
    return SaveScreenshot(window, name, [] { Sleep(300); });
}

} // namespace zarvo::testing
