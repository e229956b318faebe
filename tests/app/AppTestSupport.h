#pragma once
// What the wizard's tests share beyond the engine's: the form, answered message boxes, message pumping
// and screenshots.

#include "app/MainUnit.h"
#include "engine/Prompts.h"
#include "tests/engine/EngineTestSupport.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zarvo::testing {

// Handles the thread's messages (through the wizard's own loop step) until the condition holds or
// the time is up; true when it holds.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000);
void PumpFor(DWORD milliseconds);

// A control's rectangle in its parent's client coordinates.
RECT RectInParent(HWND control);
std::wstring TextOf(HWND window);

// Saves what the screen shows of the window as a BMP in the build tree's screenshots folder, for a
// person to look at. Returns the file's path, or empty when it could not be written.
std::wstring SaveScreenshot(HWND window, const std::wstring& name);

struct TShownBox {
    std::wstring text, caption;
    UINT flags = 0;
};

// The user, as far as the form asks: every box and question recorded and answered with the answer set,
// the unload question with Yes, the folder dialog with the folder set (or cancelled when none is).
class TAnsweredPrompts : public TPrompts {
public:
    explicit TAnsweredPrompts(int answer = IDOK) : answer_(answer) {}

    int ShowMessage(const std::wstring& text, const std::wstring& caption, UINT flags) override {
        shown_.push_back({text, caption, flags});
        return answer_;
    }
    bool ConfirmUnload() override {
        ++unloadQuestions;
        return true;
    }
    bool PickFolder(std::wstring& folder) override {
        pickedFrom.push_back(folder);
        if (!pickedFolder)
            return false;
        folder = *pickedFolder;
        return true;
    }

    void SetAnswer(int answer) { answer_ = answer; }
    std::vector<TShownBox>& Shown() { return shown_; }

    size_t unloadQuestions = 0;
    std::vector<std::wstring> pickedFrom;     // the folders the dialog was opened at
    std::optional<std::wstring> pickedFolder; // what the user picks

private:
    int answer_;
    std::vector<TShownBox> shown_;
};

// The engine's test with the wizard's unit state as the program loads it and answered boxes for every
// test; the form itself when the test creates it.
class FormTest : public EngineTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the form as the program entry does; empty after a start-up failure.
    std::unique_ptr<TMainForm> CreateForm(const std::wstring& arguments = L"");
    // Shows the form, makes it the active window and lets it paint.
    void ShowForm(TMainForm& form);

    std::optional<TAnsweredPrompts> boxes;
};

} // namespace zarvo::testing
