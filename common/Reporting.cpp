#include "common/Reporting.h"
#include "common/CommonTexts.h"
#include "common/Text.h"

#include "common/Handles.h"
#include "common/SetupError.h"

namespace zarvo {

TReportEvent OnReportError;
TReportEvent OnReportInfo;

namespace {

std::wstring logFile;

// One line per report, appended: a failing log file never stops what is being reported.
void AppendToLogFile(bool error, const std::wstring& text, const std::wstring& caption) {
    if (logFile.empty())
        return;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    // The system's own formatting: no locale, and no C runtime printf in the program.
    wchar_t stamp[32];
    wsprintfW(stamp, L"%04u-%02u-%02u %02u:%02u:%02u ", now.wYear, now.wMonth, now.wDay, now.wHour,
              now.wMinute, now.wSecond);
    std::wstring line = stamp;
    line += error ? TextLogError : TextLogInfo;
    if (error)
        line += caption + L": ";
    line += text + L"\r\n";
    std::string bytes = WideToUtf8(line);
    THandle file(CreateFileW(logFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file.Valid())
        WriteFile(file.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr);
}

} // namespace

void SetLogFile(const std::wstring& fileName) {
    logFile = fileName;
}

const std::wstring& LogFile() {
    return logFile;
}

int ShowMessageBox(const std::wstring& text, const std::wstring& caption, UINT flags) {
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

void ReportError(const std::wstring& text, const std::wstring& caption) {
    AppendToLogFile(true, text, caption);
    if (OnReportError) {
        OnReportError(text, caption);
        return;
    }
    ShowMessageBox(text, caption, MB_OK | MB_ICONERROR);
}

void ReportInfo(const std::wstring& text, const std::wstring& caption) {
    AppendToLogFile(false, text, caption);
    if (OnReportInfo) {
        OnReportInfo(text, caption);
        return;
    }
    ShowMessageBox(text, caption, MB_OK | MB_ICONINFORMATION);
}

} // namespace zarvo
