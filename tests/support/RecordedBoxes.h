#pragma once
// Message boxes through the common unit's seam: recorded and answered instead of shown.

#include "common/CommonUtils.h"

#include <string>
#include <vector>

namespace zarvo::testing {

struct TShownBox {
    std::wstring text, caption;
    UINT flags = 0;
};

class TBoxAnswers {
public:
    explicit TBoxAnswers(int answer = IDOK) {
        Shown().clear();
        SetAnswer(answer);
        previous_ = SetMessageBoxHandler(&Record);
    }
    TBoxAnswers(const TBoxAnswers&) = delete;
    TBoxAnswers& operator=(const TBoxAnswers&) = delete;
    ~TBoxAnswers() { SetMessageBoxHandler(previous_); }

    static void SetAnswer(int answer) { Answer() = answer; }
    static std::vector<TShownBox>& Shown() {
        static std::vector<TShownBox> boxes;
        return boxes;
    }

private:
    static int& Answer() {
        static int answer = IDOK;
        return answer;
    }
    static int Record(const std::wstring& text, const std::wstring& caption, UINT flags) {
        Shown().push_back({text, caption, flags});
        return Answer();
    }

    TMessageBoxHandler previous_ = nullptr;
};

} // namespace zarvo::testing
