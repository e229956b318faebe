#include "common/Reporting.h"

#include "common/CommonTexts.h"
#include "common/LogFile.h"
#include "common/SetupError.h"

#include <memory>

namespace zarvo {

TReportEvent OnReportError;
TReportEvent OnReportInfo;

namespace {

// The program's one log file; a new name replaces it. Objects of namespace scope here, made before the
// program's entry: a function's own static would need the runtime's thread-safe guard.
std::unique_ptr<TLogFile> programLog = std::make_unique<TLogFile>();

std::unique_ptr<TLogFile>& ProgramLog() {
    return programLog;
}

// Once, in the log view: the run goes on without its file.
void SayLogRefused(const TReportEvent& show) {
    if (!show)
        return;
    if (const DWORD refusal = ProgramLog()->TakeRefusal())
        show(TextLogFileRefused + ProgramLog()->Name() + L": " + SystemErrorText(refusal), {});
}

class TSlotReports final : public TReporter {
public:
    void Report(bool error, const std::wstring& text, const std::wstring& caption) override {
        (error ? ReportError : ReportInfo)(text, caption);
    }
};

class TLogFileReports final : public TReporter {
public:
    void Report(bool error, const std::wstring& text, const std::wstring& caption) override {
        ProgramLog()->Append(error, text, caption);
    }
};

} // namespace

void SetLogFile(const std::wstring& fileName) {
    ProgramLog() = std::make_unique<TLogFile>(fileName);
}

const std::wstring& LogFile() {
    return ProgramLog()->Name();
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
    ProgramLog()->Append(true, text, caption);
    SayLogRefused(OnReportInfo);
    if (OnReportError) {
        OnReportError(text, caption);
        return;
    }
    ShowMessageBox(text, caption, MB_OK | MB_ICONERROR);
}

void ReportInfo(const std::wstring& text, const std::wstring& caption) {
    ProgramLog()->Append(false, text, caption);
    SayLogRefused(OnReportInfo);
    if (OnReportInfo) {
        OnReportInfo(text, caption);
        return;
    }
    ShowMessageBox(text, caption, MB_OK | MB_ICONINFORMATION);
}

namespace {

TSlotReports slotReports;
TLogFileReports logFileReports;

} // namespace

TReporter& SlotReports() {
    return slotReports;
}

TReporter& LogFileReports() {
    return logFileReports;
}

TReportSlots::TReportSlots(TReportEvent onError, TReportEvent onInfo)
    : savedError_(std::exchange(OnReportError, std::move(onError))),
      savedInfo_(std::exchange(OnReportInfo, std::move(onInfo))) {}

TReportSlots::~TReportSlots() {
    OnReportError = std::move(savedError_);
    OnReportInfo = std::move(savedInfo_);
}

} // namespace zarvo
