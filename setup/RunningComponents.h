#pragma once
// Finding the product's running programs by their window titles, asking once, asking them to end and
// waiting until their windows are gone.

#include <windows.h>

#include <string>

namespace zarvo {

// How long the search for a window goes on. The defaults are the product's: up to 101 searches,
// 1500 ms after each message, 50 ms after each pass (about 157 s for a window that never closes).
struct TCloseTimings {
    unsigned searches = 101;
    DWORD waitAfterSendMs = 1500;
    DWORD waitAfterPassMs = 50;
    // A target that does not handle the message within this time counts as a window that stays.
    UINT sendTimeoutMs = 5000;
};

class TComponentCloser {
public:
    explicit TComponentCloser(const TCloseTimings& timings) : timings_(timings) {}
    virtual ~TComponentCloser() = default;

    // Closes the kernel server, then the sibling service. Asks once (unless silent) before the first
    // message is sent. True when neither window exists at the end.
    bool CloseRunningComponents(bool silent);
    // Searches for a top-level window by title and sends it the message in every pass while it exists.
    // False at once when the user declines; otherwise true when the last search found no window.
    bool CloseWindowByTitle(const std::wstring& title, UINT message, WPARAM wParam, LPARAM lParam);
    // True when a component's window exists but its program has not handled a message within the send
    // time-out: it would keep a run waiting for minutes.
    bool ComponentHangs() const;
    // True when a component's window exists.
    bool ComponentRuns() const;

    // The user (or the caller) has agreed to unload the components; no question is asked while it is
    // true. Every CloseRunningComponents call overwrites it with its argument.
    bool UnloadConfirmed = false;

protected:
    // The question before the first message; true: the components may be unloaded. Without one they
    // are not.
    virtual bool AskUnload();
    virtual void Wait(DWORD milliseconds);

private:
    TCloseTimings timings_;
};

} // namespace zarvo
