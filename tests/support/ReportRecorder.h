#pragma once
// Records reports, each as the wizard's log shows it: an information line as its text, an error line as
// caption + ": " + text. It is a reporter to give the engine, and while it lives it also takes what goes
// through ReportError / ReportInfo.

#include "common/Reporting.h"

#include <string>
#include <vector>

namespace zarvo::testing {

class TReportRecorder final : public TReporter {
public:
    TReportRecorder()
        : slots_(
              [this](const std::wstring& text, const std::wstring& caption) { Report(true, text, caption); },
              [this](const std::wstring& text, const std::wstring& caption) {
                  Report(false, text, caption);
              }) {}

    void Report(bool error, const std::wstring& text, const std::wstring& caption) override {
        lines.push_back(error ? caption + L": " + text : text);
    }

    std::vector<std::wstring> lines;

private:
    TReportSlots slots_;
};

} // namespace zarvo::testing
