#include "app/Application.h"

#include "app/MainUnit.h"
#include "common/Reporting.h"
#include "common/SetupError.h"

#include <exception>

namespace zarvo {

std::wstring ApplicationTitle;
bool Terminated = false;

namespace {

void DispatchApplicationMessage(MSG& msg) {
    if (MainForm != nullptr && MainForm->Handle() != nullptr) {
        if (MainForm->HandleDialogKey(msg))
            return;
        if (IsDialogMessageW(MainForm->Handle(), &msg))
            return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

} // namespace

bool HandleMessage() {
    MSG msg;
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (msg.message == WM_QUIT)
        Terminated = true;
    else
        DispatchApplicationMessage(msg);
    return true;
}

void ProcessMessages() {
    while (HandleMessage()) {
    }
}

void RunMessageLoop() {
    while (!Terminated) {
        if (!HandleMessage())
            WaitMessage();
    }
}

void Terminate() {
    PostQuitMessage(0);
}

void HandleException() noexcept {
    try {
        ReportError(CurrentExceptionMessage(), ApplicationTitle);
    } catch (...) {
        // Nothing more can be done without a message box.
    }
}

} // namespace zarvo
