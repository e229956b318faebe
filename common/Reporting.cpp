#include "common/CommonUtils.h"

namespace zarvo {

TReportEvent OnReportError;
TReportEvent OnReportInfo;

namespace {

TMessageBoxHandler messageBoxHandler = &ShowApplicationMessageBox;

} // namespace

int ShowApplicationMessageBox(const std::wstring& text, const std::wstring& caption, UINT flags) {
    HWND active = GetActiveWindow();
    HWND focus = GetFocus();
    // Task-modal: every window of the program is disabled while the box shows.
    int result = MessageBoxW(active, text.c_str(), caption.c_str(), flags | MB_TASKMODAL);
    if (active != nullptr && IsWindow(active))
        SetActiveWindow(active);
    if (focus != nullptr && IsWindow(focus))
        SetFocus(focus);
    return result;
}

TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler) {
    TMessageBoxHandler previous = messageBoxHandler;
    messageBoxHandler = handler ? handler : &ShowApplicationMessageBox;
    return previous;
}

int ShowMessageBox(const std::wstring& text, const std::wstring& caption, UINT flags) {
    return messageBoxHandler(text, caption, flags);
}

void ReportError(const std::wstring& text, const std::wstring& caption) {
    if (OnReportError) {
        OnReportError(text, caption);
        return;
    }
    ShowMessageBox(text, caption, MB_OK | MB_ICONERROR);
}

void ReportInfo(const std::wstring& text, const std::wstring& caption) {
    if (OnReportInfo) {
        OnReportInfo(text, caption);
        return;
    }
    ShowMessageBox(text, caption, MB_OK | MB_ICONINFORMATION);
}

} // namespace zarvo
