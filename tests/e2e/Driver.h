#pragma once
// A small driver for the real SetupZarvo.exe: starts it as a child process and works it through its
// windows as a user would - presses buttons, types into the path field, answers boxes, reads the log.
// Every wait has a condition and a time-out.

#include "app/MainLayout.h"
#include "common/Handles.h"
#include "tests/support/ChildProcess.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zarvo::e2e {

inline constexpr DWORD DefaultWaitMs = 20000;
// A file of the build under test as a Windows path: this build's own, or the one the environment
// variable names (a Unix path) when the release build is tested with this program.
std::wstring BuiltPath(const char* variable, const char* ownBuild);
// The program under test.
std::wstring SetupExePath();

// A whole run: unpacking the payload and registering the libraries, each on a worker thread.
inline constexpr DWORD RunWaitMs = 90000;

// Starts the program and waits for its end; its exit code, or -1 when it did not end in time.
long RunToEnd(const std::wstring& program, const std::wstring& arguments);

// Polls the condition until it holds or the time is up; true when it holds.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = DefaultWaitMs);

// A child window, at any depth, of the class; null when there is none.
HWND FindChild(HWND parent, const std::wstring& className);
// Whether a child window, at any depth, carries exactly this text.
bool HasChildWithText(HWND parent, const std::wstring& text);
// A message sent with a time-out, for windows of another process; empty when it was not answered.
std::optional<LRESULT> Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// A dialog window of the wizard's process: a message box or the folder dialog.
struct TBox {
    HWND window = nullptr;
    std::wstring caption, text; // text: the box's message (its static 0xFFFF); empty for other dialogs
    bool hasIcon = false;       // an icon shows beside the message
};

using zarvo::testing::TChildProcess;

class TWizard {
public:
    // Starts SetupZarvo.exe with the arguments from its own folder, as a double click does.
    explicit TWizard(const std::wstring& arguments = L"");
    // Starts another copy of the program, from its own folder.
    TWizard(const std::wstring& program, const std::wstring& arguments);

    TChildProcess& Process() noexcept { return process_; }

    // The main form once it shows; null after the time-out or when the program ended first.
    HWND WaitForForm(DWORD timeoutMs = DefaultWaitMs);
    // A control of the form, found by its control ID; null while the form is not there.
    HWND Control(TControlId id);
    // The page that shows (SheetNew, SheetAlready, SheetPath or SheetStatus); None when none does.
    TControlId CurrentPage();
    bool WaitForPage(TControlId page, DWORD timeoutMs = DefaultWaitMs);
    bool Enabled(TControlId id);
    bool Checked(TControlId id);
    // The control's text as the control itself answers WM_GETTEXT.
    std::wstring Text(TControlId id);
    bool Type(TControlId id, const std::wstring& text);
    // Waits until the button shows and is enabled, then presses it. False when it never became so.
    bool Click(TControlId id, DWORD timeoutMs = DefaultWaitMs);
    // The log's lines, read through its window text.
    std::vector<std::wstring> ReadLog();
    // Waits for the finished state: forward enabled and captioned "Завершить".
    bool WaitForFinished(DWORD timeoutMs = RunWaitMs);

    // The first dialog of the process that shows; empty after the time-out.
    std::optional<TBox> WaitForBox(DWORD timeoutMs = DefaultWaitMs);
    // Presses the box's button (IDYES, IDNO, IDOK, IDCANCEL) and waits until the box is gone.
    bool Answer(const TBox& box, int button);

    // Saves what the screen shows of the window as <name>.bmp in the screenshots folder; the path, or
    // empty when nothing was written.
    std::wstring Screenshot(HWND window, const std::wstring& name);

private:
    HWND form_ = nullptr;
    TChildProcess process_;
};

} // namespace zarvo::e2e
