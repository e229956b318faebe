#pragma once
// Message reporting: the one part of the common unit that shows something. Until the wizard's first run
// takes the reports over, each one is a message box.

#include "common/Product.h"

#include <windows.h>

#include <functional>
#include <string>

namespace zarvo {

using TReportEvent = std::function<void(const std::wstring& text, const std::wstring& caption)>;

// Assigned by the wizard when its first run starts; until then reports are message boxes.
extern TReportEvent OnReportError;
extern TReportEvent OnReportInfo;

// Every report is also a line of the log file (when one is set), whichever way it is shown.
void ReportError(const std::wstring& text, const std::wstring& caption);
void ReportInfo(const std::wstring& text, const std::wstring& caption);

// The file every report is appended to (see TLogFile); empty: none. Setting it closes the one before.
void SetLogFile(const std::wstring& fileName);
const std::wstring& LogFile();

// The box a report shows while no handler takes it: task-modal, owned by the active window, with
// activation and focus restored afterwards. The wizard's own boxes and questions use it too.
int ShowMessageBox(const std::wstring& text, const std::wstring& caption, UINT flags);

// Where the lines of a step go. The engine's session, checks and runs and the component registration are
// given one; none of them sets the report slots.
class TReporter {
public:
    virtual ~TReporter() = default;
    virtual void Report(bool error, const std::wstring& text, const std::wstring& caption) = 0;

    void Info(const std::wstring& text) { Report(false, text, InfoCaption); }
    void Error(const std::wstring& text, const std::wstring& caption = ErrorCaption) {
        Report(true, text, caption);
    }
};

// ReportError / ReportInfo: the slots (the status page's log), a box while they are empty, and the log
// file.
TReporter& SlotReports();
// The log file alone: nothing shows, whatever the slots hold. The silent run's.
TReporter& LogFileReports();

// Replaces the report slots while it lives and gives them back what they held.
class TReportSlots {
public:
    TReportSlots(TReportEvent onError, TReportEvent onInfo);
    TReportSlots(const TReportSlots&) = delete;
    TReportSlots& operator=(const TReportSlots&) = delete;
    ~TReportSlots();

private:
    TReportEvent savedError_, savedInfo_;
};

} // namespace zarvo
