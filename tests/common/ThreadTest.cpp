#include "common/SetupError.h"
#include "common/Thread.h"

#include <gtest/gtest.h>

using namespace zarvo;

namespace {

class TSquareThread : public TThread {
public:
    DWORD Input = 0;

protected:
    DWORD Execute() override { return Input * Input; }
};

class TFailingThread : public TThread {
protected:
    DWORD Execute() override { throw ESetupError(L"Ошибка в потоке"); }
};

// Sends a message to a window of the waiting thread: only a wait that serves sent messages returns.
class TSendingThread : public TThread {
public:
    HWND Target = nullptr;

protected:
    DWORD Execute() override { return DWORD(SendMessageW(Target, WM_APP, 20, 22)); }
};

LRESULT CALLBACK AddingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_APP)
        return LRESULT(wParam + lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

TEST(Thread, RunsWithItsFieldsAndReturnsTheExitCode) {
    TSquareThread thread;
    thread.Input = 12;
    EXPECT_FALSE(thread.Started());
    ASSERT_TRUE(thread.Start());
    EXPECT_FALSE(thread.Start());
    EXPECT_EQ(thread.WaitFor(), 144u);
    EXPECT_EQ(thread.ExitCode(), 144u);
}

TEST(Thread, AnEscapingErrorBecomesTheFailureExitCode) {
    TFailingThread thread;
    ASSERT_TRUE(thread.Start());
    EXPECT_EQ(thread.WaitFor(), TThread::ExceptionExitCode);
    EXPECT_EQ(thread.FailureText(), L"Ошибка в потоке");
}

TEST(Thread, WaitingServesMessagesSentToTheWaitingThread) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = AddingWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ZarvoThreadTestWindow";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowW(L"ZarvoThreadTestWindow", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);

    TSendingThread thread;
    thread.Target = window;
    ASSERT_TRUE(thread.Start());
    EXPECT_EQ(thread.WaitFor(), 42u);
    DestroyWindow(window);
}
