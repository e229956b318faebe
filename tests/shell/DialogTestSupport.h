#pragma once
// What the folder dialog's tests share: the help requests the dialog hands on, what the component
// leaves to the shell's dialog, an owner window, screenshots.

#include "shell/BrowseFolderDialog.h"

#include <windows.h>

#include <string>
#include <vector>

namespace zarvo::testing {

// Records the help topics a dialog asks for.
struct THelpRecorder {
    void Attach(TBrowseFolderDialog& dialog) {
        dialog.OnHelp = [this](TBrowseFolderDialog&, int context) {
            shown.push_back(context);
        };
    }

    std::vector<int> shown;
};

// Works beneath the component on every dialog of the thread that initialises while it lives: gives it the
// caption's question-mark button, as Windows builds the shell's dialog and Wine does not, and counts the
// WM_HELP requests that reach the dialog's own procedure, that is what the component passes on.
class TShellDialogProbe {
public:
    TShellDialogProbe();
    TShellDialogProbe(const TShellDialogProbe&) = delete;
    TShellDialogProbe& operator=(const TShellDialogProbe&) = delete;
    ~TShellDialogProbe();

    static LONG HelpPassedOn();

private:
    HHOOK hook_;
};

// A visible top-level window to own a dialog.
class TOwnerWindow {
public:
    TOwnerWindow()
        : window_(CreateWindowExW(0, L"Static", L"Zarvo", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 640, 480,
                                  nullptr, nullptr, nullptr, nullptr)) {}
    TOwnerWindow(const TOwnerWindow&) = delete;
    TOwnerWindow& operator=(const TOwnerWindow&) = delete;
    ~TOwnerWindow() { DestroyWindow(window_); }

    HWND Handle() const noexcept { return window_; }

private:
    HWND window_;
};

// The first child of the dialog with exactly this text, or nullptr.
HWND ChildWithText(HWND dialog, const std::wstring& text);

// Saves what the screen shows of the window as a BMP in the build tree's screenshots folder, for a person
// to look at; works from any thread. Returns the file's path, or empty when it could not be written.
std::wstring SaveScreenshot(HWND window, const std::wstring& name);

} // namespace zarvo::testing
