#include "AppTestSupport.h"

#include "app/Application.h"
#include "common/CommonUtils.h"
#include "common/SetupError.h"
#include "tests/support/Screenshot.h"

#include <vector>

namespace zarvo::testing {

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        ProcessMessages();
        if (condition())
            return true;
        if (GetTickCount64() >= end)
            return false;
        Sleep(10);
    }
}

void PumpFor(DWORD milliseconds) {
    PumpUntil([] { return false; }, milliseconds);
}

RECT RectInParent(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::wstring TextOf(HWND window) {
    // Sent rather than GetWindowTextW, which does not ask a window of another process.
    std::wstring text(size_t(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(size_t(SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

std::wstring SaveScreenshot(HWND window, const std::wstring& name) {
    return SaveScreenshot(window, name, [] { PumpFor(300); });
}

void FormTest::SetUp() {
    EngineTest::SetUp();
    static bool titled = [] {
        ApplicationTitle = L"Установка Zarvo";
        return true;
    }();
    (void)titled;
    Terminated = false;
    boxes.emplace(IDOK);
}

void FormTest::TearDown() {
    OnReportError = OnReportInfo = nullptr;
    boxes.reset();
    EngineTest::TearDown();
    // A destroyed main form ends the application's loop; the next test starts a new one.
    ProcessMessages();
    Terminated = false;
}

std::unique_ptr<TMainForm> FormTest::CreateForm(const std::wstring& arguments) {
    // Reports before a run are the boxes the user answers; a run takes them over as log lines.
    OnReportError = [this](const std::wstring& text, const std::wstring& caption) {
        boxes->ShowMessage(text, caption, MB_OK | MB_ICONERROR);
    };
    OnReportInfo = [this](const std::wstring& text, const std::wstring& caption) {
        boxes->ShowMessage(text, caption, MB_OK | MB_ICONINFORMATION);
    };
    return TMainForm::CreateForm(L"\"C:\\SetupZarvo.exe\" " + arguments, system, &*boxes);
}

void FormTest::ShowForm(TMainForm& form) {
    form.Show();
    PumpUntil([&] { return GetActiveWindow() == form.Handle(); });
    PumpFor(100);
}

} // namespace zarvo::testing
