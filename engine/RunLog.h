#pragma once
// What a run reports, and the outcome it builds from its own reports: the one error policy of the runs.

#include "engine/Runs.h"

#include <string>
#include <type_traits>

namespace zarvo {

class TRunLog {
public:
    void Info(const std::wstring& text);
    // An error line; the run goes on, done with errors.
    void Error(const std::wstring& text);
    // An error line that ends the run.
    void Stop(const std::wstring& text);
    // A failure that the step has reported itself, with its own lines; reason names the step.
    void Failed(const std::wstring& reason, TRunResult result);
    // Runs one stage: what its helpers raise is reported as an error line with the error's own text and
    // ends the run. The stage's own answer otherwise (true for a stage that answers nothing); false also
    // once the run has stopped.
    template <class TStage> bool Stage(TStage&& stage) {
        if (Stopped())
            return false;
        try {
            if constexpr (std::is_void_v<decltype(stage())>) {
                stage();
                return true;
            } else {
                return stage();
            }
        } catch (...) {
            StopOnRaised();
            return false;
        }
    }

    // The closing line: done, or done with errors (an error line) when any step failed. The outcome.
    const TRunOutcome& Finish(const wchar_t* done, const wchar_t* doneWithErrors);

    bool Stopped() const { return outcome_.result == TRunResult::Stopped; }
    const TRunOutcome& Outcome() const { return outcome_; }

private:
    // Reports the error being handled and ends the run.
    void StopOnRaised();
    void Report(const std::wstring& text, TRunResult result);
    void Note(TRunResult result, const std::wstring& reason);

    TRunOutcome outcome_;
};

} // namespace zarvo
