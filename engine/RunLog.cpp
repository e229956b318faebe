#include "engine/RunLog.h"

#include "common/SetupError.h"

namespace zarvo {

void TRunLog::Report(bool error, const std::wstring& text, const std::wstring& caption) {
    out_.Report(error, text, caption);
    if (!error)
        return;
    ++outcome_.errorLines;
    if (outcome_.reason.empty())
        outcome_.reason = text;
    if (outcome_.result == TRunResult::Done)
        outcome_.result = TRunResult::DoneWithErrors;
}

void TRunLog::Stop(const std::wstring& text) {
    Error(text);
    StopHere();
}

const TRunOutcome& TRunLog::Finish(const wchar_t* done, const wchar_t* doneWithErrors) {
    // A run that reported an error never ends with the success line.
    if (outcome_.Failed()) {
        const unsigned errorLines = outcome_.errorLines;
        Error(doneWithErrors);
        outcome_.errorLines = errorLines;
    } else {
        Info(done);
    }
    return outcome_;
}

void TRunLog::ReportRaised() {
    raised_ = true;
    Error(CurrentExceptionMessage());
}

} // namespace zarvo
