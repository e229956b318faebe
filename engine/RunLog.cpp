#include "engine/RunLog.h"

#include "common/Reporting.h"
#include "common/SetupError.h"
#include "setup/SetupConstants.h"

namespace zarvo {

void TRunLog::Info(const std::wstring& text) {
    ReportInfo(text, InfoCaption);
}

void TRunLog::Error(const std::wstring& text) {
    ReportError(text, ErrorCaption);
    Note(TRunResult::DoneWithErrors, text);
}

void TRunLog::Stop(const std::wstring& text) {
    ReportError(text, ErrorCaption);
    Note(TRunResult::Stopped, text);
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

TRunOutcome Combined(const TRunOutcome& first, const TRunOutcome& second) {
    TRunOutcome outcome = first;
    if (int(second.result) > int(outcome.result))
        outcome.result = second.result;
    if (outcome.reason.empty())
        outcome.reason = second.reason;
    return outcome;
}

bool TRunLog::Stage(const std::function<bool()>& stage) {
    if (Stopped())
        return false;
    try {
        return stage();
    } catch (...) {
        Stop(CurrentExceptionMessage());
        return false;
    }
}

} // namespace zarvo
