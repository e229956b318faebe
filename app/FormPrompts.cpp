// TMainForm's answers to the prompts: real windows, owned by the form.

#include "app/MainUnit.h"

#include "common/Folders.h"
#include "common/Reporting.h"
#include "setup/SetupTexts.h"

namespace zarvo {

namespace {

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

} // namespace

int TMainForm::ShowMessage(const std::wstring& text, const std::wstring& caption, UINT flags) {
    return ShowMessageBox(text, caption, flags);
}

bool TMainForm::ConfirmUnload() {
    BringApplicationToFront();
    return ShowMessageBox(TextCloseQuestion, TextCloseQuestionTitle, MB_YESNO) == IDYES;
}

bool TMainForm::PickFolder(std::wstring& folder) {
    dPickFolder.FolderName = folder;
    if (!dPickFolder.Browse())
        return false;
    folder = dPickFolder.FolderName;
    return true;
}

} // namespace zarvo
