#include "engine/RunLog.h"

#include "common/Reporting.h"
#include "common/SetupError.h"
#include "setup/SetupConstants.h"

namespace zarvo {

void TRunLog::Info(const std::wstring& text) {
    ReportInfo(text, InfoCaption);
}

void TRunLog::Error(const std::wstring& text) {
    Report(text, TRunResult::DoneWithErrors);
}

void TRunLog::Stop(const std::wstring& text) {
    Report(text, TRunResult::Stopped);
}

void TRunLog::Report(const std::wstring& text, TRunResult result) {
    ReportError(text, ErrorCaption);
    Note(result, text);
}

void TRunLog::Failed(const std::wstring& reason, TRunResult result) {
    Note(result, reason);
}

void TRunLog::Note(TRunResult result, const std::wstring& reason) {
    if (outcome_.reason.empty())
        outcome_.reason = reason;
    if (int(result) > int(outcome_.result))
        outcome_.result = result;
}

const TRunOutcome& TRunLog::Finish(const wchar_t* done, const wchar_t* doneWithErrors) {
    // A run that reported an error never ends with the success line.
    if (outcome_.Failed())
        Error(doneWithErrors);
    else
        Info(done);
    return outcome_;
}

void TRunLog::StopOnRaised() {
    Stop(CurrentExceptionMessage());
}

} // namespace zarvo
