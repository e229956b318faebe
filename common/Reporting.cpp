#include "common/Reporting.h"
#include "common/CommonTexts.h"
#include "common/Text.h"

#include "common/Handles.h"
#include "common/PlainFiles.h"
#include "common/SetupError.h"

namespace zarvo {

TReportEvent OnReportError;
TReportEvent OnReportInfo;

namespace {

std::wstring logFile;
// Opened at the first report and kept: a file swapped for a link afterwards is never opened.
THandle logHandle;
bool logTried = false;
// Why the file could not be opened, until the log view has said so; then 0.
DWORD logRefusal = 0;

// One line per report, appended: a failing log file never stops what is being reported.
void AppendToLogFile(bool error, const std::wstring& text, const std::wstring& caption) {
    if (logFile.empty())
        return;
    if (!logTried) {
        logTried = true;
        // Other setups append to the same file.
        logHandle = OpenPlainFile(logFile, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS);
        if (!logHandle)
            logRefusal = GetLastError() ? GetLastError() : ERROR_ACCESS_DENIED;
    }
    if (!logHandle)
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
    DWORD written = 0;
    WriteFile(logHandle.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr);
}

// Once, in the log view: the run goes on without its file.
void SayLogRefused(const TReportEvent& show) {
    if (logRefusal == 0 || !show)
        return;
    show(TextLogFileRefused + logFile + L": " + SystemErrorText(std::exchange(logRefusal, 0)), {});
}

} // namespace

void SetLogFile(const std::wstring& fileName) {
    logFile = fileName;
    logHandle.Reset();
    logTried = false;
    logRefusal = 0;
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
    SayLogRefused(OnReportInfo);
    if (OnReportError) {
        OnReportError(text, caption);
        return;
    }
    ShowMessageBox(text, caption, MB_OK | MB_ICONERROR);
}

void ReportInfo(const std::wstring& text, const std::wstring& caption) {
    AppendToLogFile(false, text, caption);
    SayLogRefused(OnReportInfo);
    if (OnReportInfo) {
        OnReportInfo(text, caption);
        return;
    }
    ShowMessageBox(text, caption, MB_OK | MB_ICONINFORMATION);
}

} // namespace zarvo
