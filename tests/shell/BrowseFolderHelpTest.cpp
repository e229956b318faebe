// Help in the folder dialog: the caption's button, the help button, F1, and where each request goes.

#include "DialogTestSupport.h"

#include "common/Handles.h"
#include "shell/BrowseFolderDialog.h"
#include "tests/support/DialogWatcher.h"

#include <gtest/gtest.h>

using namespace zarvo;
using namespace zarvo::testing;

namespace {

enum class TAsk { F1, HelpButton };

struct THelpCase {
    const char* name;
    TBrowseFolderOptions options;
    int helpContext;
    TAsk ask;
    std::vector<int> shown; // topics the dialog hands to its help handler
    bool passedOn;          // WM_HELP left to the shell's dialog
};

// The first case has no help button: its OK and Cancel are where the shell put them.
const THelpCase HelpCases[] = {
    {"form settings: F1 does nothing", {boDirsOnly}, 0, TAsk::F1, {}, false},
    {"F1 opens the topic", {boDirsOnly}, 7, TAsk::F1, {7}, false},
    {"context help leaves F1 to the shell", {boContextHelp, boDirsOnly}, 7, TAsk::F1, {}, true},
    {"disabled help button", {boShowHelp, boDirsOnly}, 0, TAsk::HelpButton, {}, false},
    {"help button opens the topic", {boShowHelp, boDirsOnly}, 12, TAsk::HelpButton, {12}, false},
    {"help button and context help", {boShowHelp, boContextHelp}, 12, TAsk::HelpButton, {12}, false},
    {"F1 beside the help button", {boShowHelp, boDirsOnly}, 12, TAsk::F1, {12}, false},
};

TEST(BrowseFolderHelp, RequestsGoWhereTheOptionsSay) {
    TComInit com;
    TOwnerWindow owner;
    TShellDialogProbe probe;
    RECT shellOk{}, shellCancel{};
    for (const THelpCase& test : HelpCases) {
        SCOPED_TRACE(test.name);
        THelpRecorder help;
        LONG passedOnBefore = TShellDialogProbe::HelpPassedOn();
        TBrowseFolderDialog dialog(owner.Handle());
        dialog.Options = test.options;
        dialog.HelpContext = test.helpContext;
        help.Attach(dialog);

        HWND ownedBy = nullptr, button = nullptr;
        HFONT okFont = nullptr, buttonFont = nullptr;
        LONG_PTR exStyle = 0;
        bool enabled = false;
        std::wstring caption;
        RECT ok{}, cancel{}, buttonRect{};
        TDialogWatcher watcher([&](HWND window) {
            ownedBy = GetWindow(window, GW_OWNER);
            exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
            ok = RectInDialog(GetDlgItem(window, IDOK));
            cancel = RectInDialog(GetDlgItem(window, IDCANCEL));
            okFont = HFONT(SendMessageW(GetDlgItem(window, IDOK), WM_GETFONT, 0, 0));
            button = GetDlgItem(window, TBrowseFolderDialog::HelpButtonId);
            if (button != nullptr) {
                enabled = IsWindowEnabled(button) != FALSE;
                caption = WindowText(button);
                buttonRect = RectInDialog(button);
                buttonFont = HFONT(SendMessageW(button, WM_GETFONT, 0, 0));
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
        EXPECT_EQ(ownedBy, owner.Handle());

        EXPECT_EQ(help.shown, test.shown);
        EXPECT_EQ(TShellDialogProbe::HelpPassedOn() > passedOnBefore, test.passedOn);
        EXPECT_EQ((exStyle & WS_EX_CONTEXTHELP) != 0, test.options.Has(boContextHelp));
        if (!test.options.Has(boShowHelp)) {
            EXPECT_EQ(button, nullptr);
            shellOk = ok;
            shellCancel = cancel;
            continue;
        }
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(caption, L"&Help");
        EXPECT_EQ(enabled, test.helpContext != 0);
        EXPECT_EQ(buttonFont, okFont);
        // OK steps left by the gap to Cancel, Cancel takes OK's place, help takes Cancel's, all OK's size.
        const LONG step = shellCancel.left - shellOk.left;
        EXPECT_EQ(ok.left, shellOk.left - step);
        EXPECT_EQ(cancel.left, shellOk.left);
        EXPECT_EQ(buttonRect.left, shellCancel.left);
        EXPECT_EQ(ok.top, shellOk.top);
        EXPECT_EQ(cancel.top, shellOk.top);
        EXPECT_EQ(buttonRect.top, shellOk.top);
        EXPECT_EQ(buttonRect.right - buttonRect.left, shellOk.right - shellOk.left);
        EXPECT_EQ(buttonRect.bottom - buttonRect.top, shellOk.bottom - shellOk.top);
    }
}

} // namespace
