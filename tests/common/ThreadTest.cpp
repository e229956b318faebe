#include "common/SetupError.h"
#include "common/Thread.h"

#include <gtest/gtest.h>

#include <atomic>

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
    LRESULT* Answer = nullptr;

protected:
    DWORD Execute() override {
        LRESULT answer = SendMessageW(Target, WM_APP, 20, 22);
        if (Answer != nullptr)
            *Answer = answer;
        return DWORD(answer);
    }
};

LRESULT CALLBACK AddingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_APP)
        return LRESULT(wParam + lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateAddingWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = AddingWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ZarvoThreadTestWindow";
    RegisterClassW(&windowClass); // fails harmlessly once registered
    return CreateWindowW(L"ZarvoThreadTestWindow", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         windowClass.hInstance, nullptr);
}

// Still running when its object's destruction starts; notes whether the object's own part was gone.
class TLateThread : public TThread {
public:
    TLateThread(std::atomic<bool>& destroyed, bool& usedAfterDestruction)
        : destroyed_(destroyed), usedAfterDestruction_(usedAfterDestruction) {}
    ~TLateThread() override { destroyed_ = true; }

protected:
    DWORD Execute() override {
        Sleep(200);
        usedAfterDestruction_ = destroyed_;
        return 0;
    }

private:
    std::atomic<bool>& destroyed_;
    bool& usedAfterDestruction_;
};

// On a thread of its own so that a dead-locked destruction fails the test instead of hanging it.
DWORD WINAPI DestroyWhileTheWorkerSends(void* answer) noexcept {
    HWND window = CreateAddingWindow();
    if (window == nullptr)
        return 1;
    {
        TJoiningThread<TSendingThread> thread;
        thread.Target = window;
        thread.Answer = static_cast<LRESULT*>(answer);
        if (!thread.Start())
            return 1;
    } // destroyed without WaitFor, while the worker waits for its message to be handled
    DestroyWindow(window);
    return 0;
}

} // namespace

TEST(Thread, RunsWithItsFieldsAndReturnsTheExitCode) {
    TJoiningThread<TSquareThread> thread;
    thread.Input = 12;
    EXPECT_FALSE(thread.Started());
    ASSERT_TRUE(thread.Start());
    EXPECT_FALSE(thread.Start());
    EXPECT_EQ(thread.WaitFor(), 144u);
    EXPECT_EQ(thread.ExitCode(), 144u);
}

TEST(Thread, AnEscapingErrorBecomesTheFailureExitCode) {
    TJoiningThread<TFailingThread> thread;
    ASSERT_TRUE(thread.Start());
    EXPECT_EQ(thread.WaitFor(), TThread::ExceptionExitCode);
    EXPECT_EQ(thread.FailureText(), L"Ошибка в потоке");
}

TEST(Thread, WaitingServesMessagesSentToTheWaitingThread) {
    HWND window = CreateAddingWindow();
    ASSERT_NE(window, nullptr);

    TJoiningThread<TSendingThread> thread;
    thread.Target = window;
    ASSERT_TRUE(thread.Start());
    EXPECT_EQ(thread.WaitFor(), 42u);
    DestroyWindow(window);
}

TEST(Thread, DestroyingTheObjectWaitsBeforeItsFieldsGo) {
    std::atomic<bool> destroyed{false};
    bool usedAfterDestruction = true;
    {
        TJoiningThread<TLateThread> thread(destroyed, usedAfterDestruction);
        ASSERT_TRUE(thread.Start());
    }
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(usedAfterDestruction);
}

TEST(Thread, DestroyingTheObjectServesMessagesTheWorkerSends) {
    // Leaked when the destruction dead-locks: the stuck thread may still write to it.
    auto* answer = new LRESULT(0);
    THandle destroyer(CreateThread(nullptr, 0, &DestroyWhileTheWorkerSends, answer, 0, nullptr));
    ASSERT_TRUE(destroyer.Valid());
    ASSERT_EQ(WaitForSingleObject(destroyer.Get(), 10000), WAIT_OBJECT_0) << "the destruction dead-locked";
    DWORD exitCode = 1;
    GetExitCodeThread(destroyer.Get(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(*answer, 42);
    delete answer;
}
