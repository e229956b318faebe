// TMainForm's answers to the prompts: real windows, owned by the form.

#include "app/MainUnit.h"

#include "common/Folders.h"
#include "common/Reporting.h"
#include "engine/Prompts.h"

namespace zarvo {

int TMainForm::ShowMessage(const std::wstring& text, const std::wstring& caption, UINT flags) {
    return ShowMessageBox(text, caption, flags);
}

bool TMainForm::ConfirmUnload() {
    // The question must not hide behind another program's window.
    if (handle_ != nullptr && IsWindowVisible(handle_)) {
        if (IsIconic(handle_))
            ShowWindow(handle_, SW_RESTORE);
        SetForegroundWindow(GetLastActivePopup(handle_));
    }
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
