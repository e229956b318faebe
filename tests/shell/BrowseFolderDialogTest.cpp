// The folder dialog as the wizard uses it, answered from a watcher thread.

#include "DialogTestSupport.h"

#include "common/CommonUtils.h"
#include "common/Handles.h"
#include "common/SetupError.h"
#include "shell/BrowseFolderDialog.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/TempFolder.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>

using namespace zarvo;
using namespace zarvo::testing;

namespace {

constexpr int TreeId = 0x3741;       // the folder tree
constexpr int StatusTextId = 0x3743; // the status line below the headline

// The form's instance, as the wizard sets it up.
void SetUpAsPickFolder(TBrowseFolderDialog& dialog) {
    dialog.Title = L"Выбор каталога";
    dialog.Headline = L"Укажите каталог для Zarvo";
    dialog.Options = {boDirsOnly};
    dialog.HelpContext = 0;
}

// Selects a folder from outside, as the tree would after a click.
void Select(HWND dialog, const std::wstring& path) {
    SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
}

// Clicks a child of the tree's top item by its text, as a user would.
bool ClickTopLevelItem(HWND dialog, const std::wstring& text) {
    HWND tree = GetDlgItem(dialog, TreeId);
    auto item = HTREEITEM(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, LPARAM(item));
    for (item = HTREEITEM(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, LPARAM(item))); item != nullptr;
         item = HTREEITEM(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, LPARAM(item)))) {
        wchar_t itemText[MAX_PATH] = {};
        TVITEMW info{};
        info.mask = TVIF_TEXT;
        info.hItem = item;
        info.pszText = itemText;
        info.cchTextMax = MAX_PATH;
        SendMessageW(tree, TVM_GETITEMW, 0, LPARAM(&info));
        if (text == itemText)
            return SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, LPARAM(item)) != 0;
    }
    return false;
}

class BrowseFolderDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDirectoryW(chosen.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(other.c_str(), nullptr));
    }

    TComInit com;
    TempFolder temp{L"zarvo-shell"};
    std::wstring chosen = temp / L"Каталог Zarvo";
    std::wstring other = temp / L"Занято";
};

TEST_F(BrowseFolderDialogTest, OpensWithTheFormsSettingsAndReturnsTheConfirmedFolder) {
    TShellDialogProbe probe;
    TBrowseFolderDialog dialog;
    SetUpAsPickFolder(dialog);
    dialog.FolderName = chosen;
    HWND initialised = nullptr;
    int closed = 0;
    dialog.OnInitialise = [&](TBrowseFolderDialog& sender) {
        initialised = sender.Handle();
    };
    dialog.OnClose = [&](TBrowseFolderDialog&) {
        ++closed;
    };

    std::wstring caption, screenshot;
    bool headlineShown = false, helpButton = true;
    LONG_PTR exStyle = 0;
    TDialogWatcher watcher([&](HWND window) {
        caption = WindowText(window);
        headlineShown = ChildWithText(window, L"Укажите каталог для Zarvo") != nullptr;
        helpButton = GetDlgItem(window, TBrowseFolderDialog::HelpButtonId) != nullptr;
        exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
        screenshot = SaveScreenshot(window, L"FolderDialog");
        ClickButton(window, IDOK);
    });
    bool confirmed = dialog.Browse();
    watcher.Join();

    ASSERT_TRUE(watcher.Found());
    EXPECT_FALSE(watcher.ClosedByWatcher());
    EXPECT_EQ(initialised, watcher.Dialog());
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(dialog.Handle(), nullptr);
    EXPECT_EQ(caption, L"Выбор каталога");
    EXPECT_TRUE(headlineShown);
    EXPECT_FALSE(helpButton);
    EXPECT_EQ(exStyle & WS_EX_CONTEXTHELP, 0);
    EXPECT_FALSE(screenshot.empty());

    // Confirming the initial selection gives it back: the dialog opened on it.
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(dialog.FolderName, chosen);
    // Windows gives the folder's name, Wine its path: either ends in the name.
    EXPECT_TRUE(dialog.DisplayName().ends_with(L"Каталог Zarvo")) << WideToUtf8(dialog.DisplayName());
}

TEST_F(BrowseFolderDialogTest, ContextHelpOptionKeepsTheCaptionButton) {
    TShellDialogProbe probe;
    TBrowseFolderDialog dialog;
    LONG_PTR exStyle = 0;
    TDialogWatcher watcher([&](HWND window) {
        exStyle = GetWindowLongPtrW(window, GWL_EXSTYLE);
        ClickButton(window, IDCANCEL);
    });
    EXPECT_FALSE(dialog.Browse());
    watcher.Join();
    ASSERT_TRUE(watcher.Found());
    EXPECT_NE(exStyle & WS_EX_CONTEXTHELP, 0);
}

TEST_F(BrowseFolderDialogTest, CancelKeepsTheLastConfirmedChoice) {
    TBrowseFolderDialog dialog;
    SetUpAsPickFolder(dialog);
    dialog.FolderName = chosen;
    {
        TDialogWatcher watcher([](HWND window) { ClickButton(window, IDOK); });
        ASSERT_TRUE(dialog.Browse());
    }
    std::wstring displayName = dialog.DisplayName();

    TDialogWatcher watcher([&](HWND window) {
        Select(window, other);
        ClickButton(window, IDCANCEL);
    });
    EXPECT_FALSE(dialog.Browse());
    watcher.Join();
    ASSERT_TRUE(watcher.Found());
    EXPECT_EQ(dialog.FolderName, chosen);
    EXPECT_EQ(dialog.DisplayName(), displayName);
}

struct TSelection {
    std::wstring folder, display;
    bool okEnabled;
};

TEST_F(BrowseFolderDialogTest, SelectionEventsSeeEachItemAndSetStatusAndOk) {
    TBrowseFolderDialog dialog;
    dialog.Options = {boDirsOnly, boStatusText};
    dialog.FolderName = other;
    std::vector<TSelection> seen;
    std::vector<std::wstring> seenEx;
    std::atomic<int> events{0};
    dialog.OnSelChange = [&](TBrowseFolderDialog&, const std::wstring& folder, const std::wstring& display,
                             std::wstring& status, bool& okEnabled) {
        seen.push_back({folder, display, okEnabled});
        if (folder == other) {
            status = L"Каталог занят";
            okEnabled = false;
        } else {
            status = L"Выбрано: " + display;
        }
    };
    dialog.OnSelChangeEx = [&](TBrowseFolderDialog&, LPCITEMIDLIST list, std::wstring& status, bool&) {
        seenEx.push_back(ItemIDListPath(list));
        status += L".";
        ++events;
    };

    TItemIDList computer;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, computer.Receive()), S_OK);
    struct TState {
        bool okEnabled;
        std::wstring status;
    };
    std::vector<TState> states;
    TDialogWatcher watcher([&](HWND window) {
        int expected = 0;
        auto settled = [&] {
            WaitUntil([&] { return events == expected; });
            states.push_back({IsWindowEnabled(GetDlgItem(window, IDOK)) != FALSE,
                              WindowText(GetDlgItem(window, StatusTextId))});
        };
        expected = 1;
        settled();
        Select(window, chosen);
        expected = 2;
        settled();
        SendMessageW(window, BFFM_SETSELECTIONW, FALSE, reinterpret_cast<LPARAM>(computer.Get()));
        expected = 3;
        settled();
        Select(window, chosen);
        WaitUntil([&] { return events == 4; });
        ClickButton(window, IDOK);
    });
    bool confirmed = dialog.Browse();
    watcher.Join();
    ASSERT_TRUE(watcher.Found());

    ASSERT_EQ(states.size(), 3u);
    EXPECT_FALSE(states[0].okEnabled);
    EXPECT_EQ(states[0].status, L"Каталог занят.");
    EXPECT_TRUE(states[1].okEnabled);
    EXPECT_EQ(states[1].status, L"Выбрано: Каталог Zarvo.");
    // Not a file-system folder: the shell refuses it under boDirsOnly, and the event is told so.
    EXPECT_FALSE(states[2].okEnabled);

    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0].folder, other);
    EXPECT_EQ(seen[0].display, L"Занято");
    EXPECT_EQ(seen[1].folder, chosen);
    EXPECT_EQ(seen[1].display, L"Каталог Zarvo");
    EXPECT_TRUE(seen[1].okEnabled);
    EXPECT_EQ(seen[2].folder, L"");
    EXPECT_FALSE(seen[2].display.empty());
    EXPECT_FALSE(seen[2].okEnabled);
    std::vector<std::wstring> folders;
    for (const TSelection& selection : seen)
        folders.push_back(selection.folder);
    EXPECT_EQ(seenEx, folders);

    EXPECT_TRUE(confirmed);
    EXPECT_EQ(dialog.FolderName, chosen);
}

TEST_F(BrowseFolderDialogTest, RootFolderLimitsTheTree) {
    std::wstring inside = GetSpecialFolderPath(CSIDL_PROGRAM_FILES) + L"\\Zarvo Shell Test";
    ASSERT_TRUE(CreateDirectoryW(inside.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    TBrowseFolderDialog dialog;
    dialog.RootFolderID = CSIDL_PROGRAM_FILES;
    bool clicked = false;
    TDialogWatcher watcher([&](HWND window) {
        clicked = ClickTopLevelItem(window, L"Zarvo Shell Test");
        Select(window, chosen); // outside the tree: the selection stays where it was
        ClickButton(window, IDOK);
    });
    bool confirmed = dialog.Browse();
    watcher.Join();
    RemoveDirectoryW(inside.c_str());
    ASSERT_TRUE(watcher.Found());
    ASSERT_TRUE(clicked);
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(dialog.FolderName, inside);
}

TEST_F(BrowseFolderDialogTest, UnknownRootFolderRaisesWithoutShowingTheDialog) {
    TBrowseFolderDialog dialog;
    dialog.RootFolderID = 0x7fff;
    dialog.FolderName = chosen;
    TDialogWatcher watcher([](HWND window) { ClickButton(window, IDOK); }, 1500);
    try {
        dialog.Browse();
        ADD_FAILURE() << "no exception";
    } catch (const ESetupError& error) {
        EXPECT_EQ(error.Message(), L"Root folder not supported on this system");
    }
    watcher.Join();
    EXPECT_FALSE(watcher.Found());
    EXPECT_EQ(dialog.FolderName, chosen);
}

TEST_F(BrowseFolderDialogTest, HandlerFailureClosesTheDialogAndReachesTheCaller) {
    TBrowseFolderDialog dialog;
    dialog.FolderName = chosen;
    int closed = 0;
    dialog.OnSelChange = [](TBrowseFolderDialog&, const std::wstring&, const std::wstring&, std::wstring&,
                            bool&) {
        throw ESetupError(L"Сбой обработчика");
    };
    dialog.OnClose = [&](TBrowseFolderDialog&) {
        ++closed;
    };
    TDialogWatcher watcher([](HWND) {}, 3000);
    try {
        dialog.Browse();
        ADD_FAILURE() << "no exception";
    } catch (const ESetupError& error) {
        EXPECT_EQ(error.Message(), L"Сбой обработчика");
    }
    watcher.Join();
    EXPECT_FALSE(watcher.ClosedByWatcher());
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(dialog.FolderName, chosen);
}

} // namespace
