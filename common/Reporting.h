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

// The one place a report turns into a message box. Tests replace it to answer boxes without a screen;
// SetMessageBoxHandler returns the previous handler. The default shows a task-modal MessageBoxW owned
// by the active window and restores activation and focus afterwards.
using TMessageBoxHandler = int (*)(const std::wstring& text, const std::wstring& caption, UINT flags);
TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler);
// Shows a box (or a question) through the installed handler and returns its answer.
int ShowMessageBox(const std::wstring& text, const std::wstring& caption, UINT flags);
int ShowApplicationMessageBox(const std::wstring& text, const std::wstring& caption, UINT flags);

} // namespace zarvo
