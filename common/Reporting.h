#pragma once
// Message reporting: the one part of the common unit that shows something. Until the wizard's first run
// takes the reports over, each one is a message box.

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

// The file every report is appended to, with its time and status, in UTF-8; empty: none.
void SetLogFile(const std::wstring& fileName);
const std::wstring& LogFile();

// The box a report shows while no handler takes it: task-modal, owned by the active window, with
// activation and focus restored afterwards. The wizard's own boxes and questions use it too.
int ShowMessageBox(const std::wstring& text, const std::wstring& caption, UINT flags);

} // namespace zarvo
