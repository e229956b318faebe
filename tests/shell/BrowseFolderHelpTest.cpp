// Help in the folder dialog: the help button, F1, and where each request goes.

#include "DialogTestSupport.h"

#include "common/Handles.h"
#include "shell/BrowseFolderDialog.h"
#include "tests/support/DialogWatcher.h"

#include <gtest/gtest.h>

using namespace zarvo;
using namespace zarvo::testing;

namespace {

struct TButtonRects {
    RECT ok{}, cancel{};
};

TButtonRects ButtonsOf(HWND dialog) {
    return {RectInDialog(GetDlgItem(dialog, IDOK)), RectInDialog(GetDlgItem(dialog, IDCANCEL))};
}

enum class TAsk { F1, HelpButton };

struct THelpCase {
    const char* name;
    TBrowseFolderOptions options;
    int helpContext;
    TAsk ask;
    std::vector<int> shown; // topics that reach the application's help
    bool passedOn;          // WM_HELP left to the shell's dialog
};

const THelpCase HelpCases[] = {
    {"form settings: F1 does nothing", {boDirsOnly}, 0, TAsk::F1, {}, false},
    {"F1 opens the topic", {boDirsOnly}, 7, TAsk::F1, {7}, false},
    {"context help leaves F1 to the system", {boContextHelp, boDirsOnly}, 7, TAsk::F1, {}, true},
    {"disabled help button", {boShowHelp, boDirsOnly}, 0, TAsk::HelpButton, {}, false},
    {"help button opens the topic", {boShowHelp, boDirsOnly}, 12, TAsk::HelpButton, {12}, false},
    {"help button with context help",
     {boShowHelp, boContextHelp, boDirsOnly},
     12,
     TAsk::HelpButton,
     {12},
     false},
    {"F1 beside the help button", {boShowHelp, boDirsOnly}, 12, TAsk::F1, {12}, false},
};

TEST(BrowseFolderHelp, RequestsGoWhereTheOptionsSay) {
    TComInit com;
    TOwnerWindow owner;
    TShellDialogProbe probe;
    TButtonRects plain;
    HWND ownedBy = nullptr;
    {
        TBrowseFolderDialog dialog(owner.Handle());
        TDialogWatcher watcher([&](HWND window) {
            plain = ButtonsOf(window);
            ownedBy = GetWindow(window, GW_OWNER);
            ClickButton(window, IDCANCEL);
        });
        dialog.Browse();
        watcher.Join();
        ASSERT_TRUE(watcher.Found());
    }
    EXPECT_EQ(ownedBy, owner.Handle());
    const LONG okWidth = plain.ok.right - plain.ok.left, step = plain.cancel.left - plain.ok.left;

    for (const THelpCase& test : HelpCases) {
        SCOPED_TRACE(test.name);
        THelpRecorder help;
        LONG passedOnBefore = TShellDialogProbe::HelpPassedOn();
        TBrowseFolderDialog dialog(owner.Handle());
        dialog.Options = test.options;
        dialog.HelpContext = test.helpContext;

        HWND button = nullptr;
        bool enabled = false, sameFont = false;
        std::wstring caption;
        RECT buttonRect{};
        TButtonRects moved;
        TDialogWatcher watcher([&](HWND window) {
            button = GetDlgItem(window, TBrowseFolderDialog::HelpButtonId);
            if (button != nullptr) {
                enabled = IsWindowEnabled(button) != FALSE;
                caption = WindowText(button);
                buttonRect = RectInDialog(button);
                moved = ButtonsOf(window);
                sameFont = SendMessageW(button, WM_GETFONT, 0, 0) ==
                           SendMessageW(GetDlgItem(window, IDOK), WM_GETFONT, 0, 0);
            }
            if (test.ask == TAsk::F1)
                PressKey(window, VK_F1);
            else
                ClickButton(window, TBrowseFolderDialog::HelpButtonId);
            Sleep(200);
            ClickButton(window, IDCANCEL);
        });
        EXPECT_FALSE(dialog.Browse());
        watcher.Join();
        ASSERT_TRUE(watcher.Found());
        EXPECT_FALSE(watcher.ClosedByWatcher());

        EXPECT_EQ(THelpRecorder::Shown(), test.shown);
        EXPECT_EQ(TShellDialogProbe::HelpPassedOn() > passedOnBefore, test.passedOn);
        if (!test.options.Has(boShowHelp)) {
            EXPECT_EQ(button, nullptr);
            continue;
        }
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(caption, L"&Help");
        EXPECT_EQ(enabled, test.helpContext != 0);
        EXPECT_TRUE(sameFont);
        // OK steps left by the gap to Cancel, Cancel takes OK's place, help takes Cancel's: OK's size.
        EXPECT_EQ(moved.ok.left, plain.ok.left - step);
        EXPECT_EQ(moved.cancel.left, plain.ok.left);
        EXPECT_EQ(moved.ok.top, plain.ok.top);
        EXPECT_EQ(moved.cancel.top, plain.ok.top);
        EXPECT_EQ(moved.ok.right - moved.ok.left, okWidth);
        EXPECT_EQ(buttonRect.left, plain.cancel.left);
        EXPECT_EQ(buttonRect.top, plain.ok.top);
        EXPECT_EQ(buttonRect.right - buttonRect.left, okWidth);
        EXPECT_EQ(buttonRect.bottom - buttonRect.top, plain.ok.bottom - plain.ok.top);
    }
}

} // namespace
