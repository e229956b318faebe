#include "setup/RunningComponents.h"
#include "setup/SetupTexts.h"

#include "common/CommonUtils.h"
#include "setup/SetupConstants.h"

namespace zarvo {

bool UnloadConfirmed = false;

namespace {

TCloseTimings timings;

BOOL CALLBACK FindApplicationWindow(HWND window, LPARAM found) noexcept {
    if (IsWindowVisible(window) && GetWindow(window, GW_OWNER) == nullptr) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

// The question must not hide behind another program's window.
void BringApplicationToFront() {
    HWND window = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &FindApplicationWindow, reinterpret_cast<LPARAM>(&window));
    if (window == nullptr)
        return;
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(GetLastActivePopup(window));
}

// The question goes through the program's message-box seam, whichever handler is installed there.
int AskQuestion() {
    return ShowMessageBox(TextCloseQuestion, TextCloseQuestionTitle, MB_YESNO);
}

} // namespace

const TCloseTimings& CloseTimings() {
    return timings;
}

TCloseTimings SetCloseTimings(const TCloseTimings& value) {
    TCloseTimings previous = timings;
    timings = value;
    return previous;
}

bool CloseRunningComponents(bool silent) {
    UnloadConfirmed = silent;
    if (!CloseWindowByTitle(KernelWindowTitle, WM_COMMAND, KernelUnloadCommand, 0))
        return false;
    return CloseWindowByTitle(ServiceWindowTitle, WM_CLOSE, 0, 0);
}

bool CloseWindowByTitle(const std::wstring& title, UINT message, WPARAM wParam, LPARAM lParam) {
    unsigned passes = 0;
    HWND window = nullptr;
    do {
        window = FindWindowW(nullptr, title.c_str());
        if (window != nullptr) {
            if (!UnloadConfirmed) {
                BringApplicationToFront();
                if (AskQuestion() != IDYES)
                    return false;
                UnloadConfirmed = true;
            }
            // A target that no longer handles messages must not hold the setup; a failed or timed-out
            // send is simply another pass in which the window stayed.
            DWORD_PTR answer = 0;
            SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, timings.sendTimeoutMs,
                                &answer);
            Sleep(timings.waitAfterSendMs);
        }
        ++passes;
        Sleep(timings.waitAfterPassMs);
    } while (window != nullptr && passes < timings.searches);
    return window == nullptr;
}

} // namespace zarvo
