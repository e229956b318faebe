#pragma once
// What a run reports, and the outcome it builds from its own lines: the one error policy of the runs.

#include "common/Reporting.h"
#include "engine/Runs.h"

#include <string>
#include <type_traits>

namespace zarvo {

// Passes every line on to the reporter the run was given. It is the reporter of the run's own helpers
// too (the registration), so that their error lines count as the run's.
class TRunLog final : public TReporter {
public:
    explicit TRunLog(TReporter& out) : out_(out) {}

    // An error line marks the run done with errors; the first one is its reason.
    void Report(bool error, const std::wstring& text, const std::wstring& caption) override;
    // An error line that ends the run.
    void Stop(const std::wstring& text);
    // Ends the run after a step that has reported its own failure.
    void StopHere() { outcome_.result = TRunResult::Stopped; }
    // The error line just reported was the installation folder kept for files the list does not name.
    void NoteFolderKept() { outcome_.folderKeptForOtherFiles = true; }

    // A stage whose failure ends the run: what its helpers raise is an error line with the error's own
    // text, and the run stops. The stage's own answer otherwise (true for a stage that answers nothing);
    // false also once the run has stopped.
    template <class TStage> bool Stage(TStage&& stage) {
        if (Stopped())
            return false;
        const bool done = Step(std::forward<TStage>(stage));
        if (raised_)
            StopHere();
        return done;
    }
    // A stage after which the run goes on whatever happens in it: what its helpers raise is an error line
    // with the error's own text. The stage's own answer; false when it raised.
    template <class TStage> bool Step(TStage&& stage) {
        raised_ = false;
        try {
            if constexpr (std::is_void_v<decltype(stage())>) {
                stage();
                return true;
            } else {
                return stage();
            }
        } catch (...) {
            ReportRaised();
            return false;
        }
    }

    // The closing line: done, or done with errors (an error line) when any step failed. The outcome.
    const TRunOutcome& Finish(const wchar_t* done, const wchar_t* doneWithErrors);

    bool Stopped() const { return outcome_.result == TRunResult::Stopped; }
    const TRunOutcome& Outcome() const { return outcome_; }

private:
    // Reports the error being handled.
    void ReportRaised();

    TReporter& out_;
    TRunOutcome outcome_;
    bool raised_ = false;
};

} // namespace zarvo
