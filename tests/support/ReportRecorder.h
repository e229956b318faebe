#pragma once
// Records ReportError / ReportInfo while it lives, each as the wizard's log shows it: an information
// line as its text, an error line as caption + ": " + text.

#include "common/CommonUtils.h"

#include <string>
#include <vector>

namespace zarvo::testing {

class TReportRecorder {
public:
    TReportRecorder() {
        OnReportInfo = [this](const std::wstring& text, const std::wstring&) {
            lines.push_back(text);
        };
        OnReportError = [this](const std::wstring& text, const std::wstring& caption) {
            lines.push_back(caption + L": " + text);
        };
    }
    TReportRecorder(const TReportRecorder&) = delete;
    TReportRecorder& operator=(const TReportRecorder&) = delete;
    ~TReportRecorder() {
        OnReportInfo = nullptr;
        OnReportError = nullptr;
    }

    std::vector<std::wstring> lines;
};

} // namespace zarvo::testing
