#pragma once
// Answers a modal dialog of the test's own process: a watcher thread finds the dialog window (class
// "#32770") that appears within a time-out and runs the test's action on it, while the test's thread
// sits in the dialog's modal loop. The action works from outside, as a user or a driver would:
// SendMessage/PostMessage to the dialog and its controls, or keyboard input.
//
//   TDialogWatcher watcher([](HWND dialog) { ClickButton(dialog, IDCANCEL); });
//   bool confirmed = dialog.Browse();
//   watcher.Join();
//   EXPECT_TRUE(watcher.Found());

#include "common/Thread.h"
#include "common/WindowText.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <string>
#include <vector>

namespace zarvo::testing {

namespace detail {
inline BOOL CALLBACK CollectProcessDialog(HWND window, LPARAM found) noexcept {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window) || std::wstring(className) != L"#32770")
        return TRUE;
    try {
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}
} // namespace detail

// The visible top-level dialog windows of this process.
inline std::vector<HWND> ProcessDialogs() {
    std::vector<HWND> dialogs;
    EnumWindows(&detail::CollectProcessDialog, reinterpret_cast<LPARAM>(&dialogs));
    return dialogs;
}

// A control's rectangle in its dialog's client coordinates.
inline RECT RectInDialog(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// Clicks a button of the dialog the way the button itself does it (a disabled button stays silent).
inline void ClickButton(HWND dialog, int id) {
    SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// Polls from the watcher thread until the condition holds (true) or the time is up (false), for effects
// the dialog's thread brings about in its own time.
inline bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000) {
    ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() >= end)
            return false;
        Sleep(10);
    }
    return true;
}

// Makes the dialog the foreground window and types one key into it.
inline bool PressKey(HWND dialog, WORD key) {
    SetForegroundWindow(dialog);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return SendInput(2, input, sizeof(INPUT)) == 2;
}

class TDialogWatcher {
public:
    using TAction = std::function<void(HWND dialog)>;

    // Starts watching for a dialog that is not yet open. After the action, a dialog that is still open
    // after closeAfterMs is cancelled, so that a forgetful action cannot hang the test.
    explicit TDialogWatcher(TAction action, DWORD timeoutMs = 15000, DWORD closeAfterMs = 5000)
        : thread_(std::move(action), timeoutMs, closeAfterMs) {
        thread_.Start();
    }
    TDialogWatcher(const TDialogWatcher&) = delete;
    TDialogWatcher& operator=(const TDialogWatcher&) = delete;

    // Waits for the watcher; messages sent to this thread's windows meanwhile are delivered.
    void Join() { thread_.WaitFor(); }
    // Whether a dialog appeared in time; the action ran on it then.
    bool Found() const noexcept { return thread_.dialog != nullptr; }
    HWND Dialog() const noexcept { return thread_.dialog; }
    // Whether the watcher had to cancel the dialog the action left open.
    bool ClosedByWatcher() const noexcept { return thread_.closedByWatcher; }
    // The message of an exception the action let out, or empty (after Join).
    const std::wstring& FailureText() const noexcept { return thread_.FailureText(); }

private:
    class TWatch : public TThread {
    public:
        TWatch(TAction action, DWORD timeoutMs, DWORD closeAfterMs)
            : action_(std::move(action)), timeoutMs_(timeoutMs), closeAfterMs_(closeAfterMs),
              before_(ProcessDialogs()) {}

        std::atomic<HWND> dialog{nullptr};
        std::atomic<bool> closedByWatcher{false};

    protected:
        DWORD Execute() override {
            HWND found = nullptr;
            ULONGLONG end = GetTickCount64() + timeoutMs_;
            while (found == nullptr && GetTickCount64() < end) {
                for (HWND candidate : ProcessDialogs())
                    if (std::find(before_.begin(), before_.end(), candidate) == before_.end())
                        found = candidate;
                if (found == nullptr)
                    Sleep(20);
            }
            if (found == nullptr)
                return 1;
            dialog = found;
            // A failing action must not leave the test's thread in the modal loop either.
            std::exception_ptr failure;
            try {
                action_(found);
            } catch (...) {
                failure = std::current_exception();
            }
            end = GetTickCount64() + closeAfterMs_;
            while (IsWindow(found) && GetTickCount64() < end)
                Sleep(20);
            if (IsWindow(found)) {
                closedByWatcher = true;
                PostMessageW(found, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            }
            if (failure)
                std::rethrow_exception(failure);
            return 0;
        }

    private:
        TAction action_;
        DWORD timeoutMs_, closeAfterMs_;
        std::vector<HWND> before_;
    };

    TJoiningThread<TWatch> thread_;
};

} // namespace zarvo::testing
