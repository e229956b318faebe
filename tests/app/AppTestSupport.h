#pragma once
// What the wizard's tests share: a private temporary folder, the installation state in the registry,
// answered message boxes, message pumping and screenshots.

#include "app/MainUnit.h"
#include "common/CommonUtils.h"
#include "engine/Prompts.h"
#include "engine/System.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zarvo::testing {

// A fresh folder that is the process's TMP and TEMP while the object lives; the wizard writes its
// files there. Child processes started meanwhile inherit it.
class TPrivateTemp {
public:
    TPrivateTemp();
    TPrivateTemp(const TPrivateTemp&) = delete;
    TPrivateTemp& operator=(const TPrivateTemp&) = delete;
    ~TPrivateTemp();

    // With the trailing backslash, as the wizard's messages show it.
    std::wstring Folder() const { return folder_.Path() + L"\\"; }
    std::wstring operator/(const std::wstring& name) const { return folder_ / name; }

private:
    TempFolder folder_;
    std::wstring savedTmp_, savedTemp_;
};

// The installation state in HKLM, removed before and after each test that uses it.
class TInstallState {
public:
    TInstallState();
    TInstallState(const TInstallState&) = delete;
    TInstallState& operator=(const TInstallState&) = delete;
    ~TInstallState();

    static void Clear();
    void SetProgPath(const std::wstring& path);
    void SetProgPathDword(DWORD value); // a value of the wrong type
    void SetAutoReinstall(DWORD value);
};

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

// The real system but for time: waits are noted, not slept, and the close passes are short. A test may
// also change a start-up file right after it is written, and give the free space and the write probe's
// answer.
class TQuickSystem : public TSystem {
public:
    TQuickSystem() { closeTimings.searches = 3; }

    void Wait(DWORD milliseconds) const override { waits.push_back(milliseconds); }
    void StartupFileWritten(const std::wstring& fileName) const override {
        if (onStartupFile)
            onStartupFile(fileName);
    }
    std::optional<uint64_t> FreeSpace(const std::wstring& folder) const override {
        return freeSpace ? *freeSpace : TSystem::FreeSpace(folder);
    }
    bool CanWrite(const std::wstring& folder) const override {
        return writable ? *writable : TSystem::CanWrite(folder);
    }
    bool PlacementFails(const std::wstring& destination) const override {
        return !fullAt.empty() && destination.ends_with(L"\\" + fullAt);
    }

    mutable std::vector<DWORD> waits;
    std::function<void(const std::wstring& fileName)> onStartupFile;
    std::optional<std::optional<uint64_t>> freeSpace; // set: the free space the drive reports
    std::optional<bool> writable;                     // set: the write probe's answer
    std::wstring fullAt;                              // the drive fills up as the file of this name is placed
};

// The wizard's unit state as the program loads it, a private temporary folder, a clean installation
// state and answered boxes for every test; the form itself when the test creates it.
class FormTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the form as the program entry does; empty after a start-up failure.
    std::unique_ptr<TMainForm> CreateForm(const std::wstring& arguments = L"");
    // Shows the form, makes it the active window and lets it paint.
    void ShowForm(TMainForm& form);

    std::optional<TPrivateTemp> temp;
    std::optional<TInstallState> state;
    std::optional<TAnsweredPrompts> boxes;
    TQuickSystem system;
};

} // namespace zarvo::testing
