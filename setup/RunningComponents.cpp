#include "setup/RunningComponents.h"

#include "common/Product.h"

namespace zarvo {

bool TComponentCloser::AskUnload() {
    return false;
}

void TComponentCloser::Wait(DWORD milliseconds) {
    Sleep(milliseconds);
}

bool TComponentCloser::CloseRunningComponents(bool silent) {
    UnloadConfirmed = silent;
    if (!CloseWindowByTitle(KernelWindowTitle, WM_COMMAND, KernelUnloadCommand, 0))
        return false;
    return CloseWindowByTitle(ServiceWindowTitle, WM_CLOSE, 0, 0);
}

bool TComponentCloser::CloseWindowByTitle(const std::wstring& title, UINT message, WPARAM wParam,
                                          LPARAM lParam) {
    unsigned passes = 0;
    HWND window = nullptr;
    do {
        window = FindWindowW(nullptr, title.c_str());
        if (window != nullptr) {
            if (!UnloadConfirmed) {
                if (!AskUnload())
                    return false;
                UnloadConfirmed = true;
            }
            // A target that no longer handles messages must not hold the setup; a failed or timed-out
            // send is simply another pass in which the window stayed.
            DWORD_PTR answer = 0;
            SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, timings_.sendTimeoutMs,
                                &answer);
            Wait(timings_.waitAfterSendMs);
        }
        ++passes;
        Wait(timings_.waitAfterPassMs);
    } while (window != nullptr && passes < timings_.searches);
    return window == nullptr;
}

bool TComponentCloser::ComponentRuns() const {
    return FindWindowW(nullptr, KernelWindowTitle) || FindWindowW(nullptr, ServiceWindowTitle);
}

bool TComponentCloser::ComponentHangs() const {
    for (const wchar_t* title : {KernelWindowTitle, ServiceWindowTitle}) {
        HWND window = FindWindowW(nullptr, title);
        DWORD_PTR answer = 0;
        if (window != nullptr && SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG,
                                                     timings_.sendTimeoutMs, &answer) == 0)
            return true;
    }
    return false;
}

} // namespace zarvo
