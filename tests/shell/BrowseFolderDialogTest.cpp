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

// Selects a folder from outside, as the tree would after a click.
void Select(HWND dialog, const std::wstring& path) {
    SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
}

std::wstring TreeRootText(HWND dialog) {
    HWND tree = GetDlgItem(dialog, TreeId);
    wchar_t text[MAX_PATH] = {};
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = HTREEITEM(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    SendMessageW(tree, TVM_GETITEMW, 0, LPARAM(&item));
    return text;
}

class BrowseFolderDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDirectoryW(chosen.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(other.c_str(), nullptr));
    }

    // Below the drive's root: a fresh Wine prefix's folder tree does not always reach into the user's
    // temporary folder on the dialog's first opening.
    struct TRootFolder {
        std::wstring path = L"C:\\zarvo-shell-" + std::to_wstring(GetCurrentProcessId());
        TRootFolder() {
            RemoveTree(path);
            CreateDirectoryW(path.c_str(), nullptr);
        }
        ~TRootFolder() { RemoveTree(path); }
        std::wstring operator/(const std::wstring& name) const { return path + L"\\" + name; }
    };

    TComInit com;
    TRootFolder temp;
    std::wstring chosen = temp / L"Каталог Zarvo";
    std::wstring other = temp / L"Занято";
};

TEST_F(BrowseFolderDialogTest, OpensWithTheFormsSettingsAndReturnsTheConfirmedFolder) {
    TBrowseFolderDialog dialog;
    dialog.Title = L"Выбор каталога";
    dialog.Headline = L"Укажите каталог для Zarvo";
    dialog.Options = {boDirsOnly};
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
    bool headlineShown = false;
    TDialogWatcher watcher([&](HWND window) {
        caption = WindowText(window);
        headlineShown = ChildWithText(window, L"Укажите каталог для Zarvo") != nullptr;
        screenshot = SaveScreenshot(window, L"FolderDialog");
        ClickButton(window, IDOK);
    });
    bool confirmed = dialog.Browse();
    watcher.Join();

    ASSERT_TRUE(watcher.Found());
    EXPECT_EQ(initialised, watcher.Dialog());
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(dialog.Handle(), nullptr);
    EXPECT_EQ(caption, L"Выбор каталога");
    EXPECT_TRUE(headlineShown);
    EXPECT_FALSE(screenshot.empty());
    // Confirming the initial selection gives it back: the dialog opened on it.
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(dialog.FolderName, chosen);
    // Windows gives the folder's name, Wine its path: either ends in the name.
    EXPECT_TRUE(dialog.DisplayName().ends_with(L"Каталог Zarvo")) << WideToUtf8(dialog.DisplayName());
}

TEST_F(BrowseFolderDialogTest, CancelKeepsTheLastConfirmedChoice) {
    TBrowseFolderDialog dialog;
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

TEST_F(BrowseFolderDialogTest, SelectionEventsSeeEachItemAndSetStatusAndOk) {
    TBrowseFolderDialog dialog;
    dialog.Options = {boDirsOnly, boStatusText};
    dialog.FolderName = other;
    struct TSeen {
        std::wstring folder, display, exFolder;
        bool okEnabled;
    };
    std::vector<TSeen> seen;
    std::atomic<size_t> events{0};
    dialog.OnSelChange = [&](TBrowseFolderDialog&, const std::wstring& folder, const std::wstring& display,
                             std::wstring& status, bool& okEnabled) {
        seen.push_back({folder, display, L"", okEnabled});
        status = folder == other ? L"Каталог занят" : L"Выбрано: " + display;
        okEnabled = okEnabled && folder != other;
    };
    dialog.OnSelChangeEx = [&](TBrowseFolderDialog&, LPCITEMIDLIST list, std::wstring& status, bool&) {
        seen.back().exFolder = ItemIDListPath(list);
        status += L".";
        ++events;
    };
    TItemIDList computer;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, computer.Receive()), S_OK);

    std::vector<std::pair<bool, std::wstring>> shown; // OK enabled, status line
    TDialogWatcher watcher([&](HWND window) {
        auto settled = [&] {
            WaitUntil([&] { return events == shown.size() + 1; });
            shown.emplace_back(IsWindowEnabled(GetDlgItem(window, IDOK)) != FALSE,
                               WindowText(GetDlgItem(window, StatusTextId)));
        };
        // Wine's tree now and then drops a selection by path while it is still filling; it is sent again
        // until the shell reports the change.
        auto selectChosen = [&] {
            size_t before = events;
            for (int attempt = 0; attempt < 10 && events == before; ++attempt) {
                Select(window, chosen);
                WaitUntil([&] { return events != before; }, 500);
            }
        };
        settled();
        selectChosen();
        settled();
        SendMessageW(window, BFFM_SETSELECTIONW, FALSE, reinterpret_cast<LPARAM>(computer.Get()));
        settled();
        selectChosen();
        WaitUntil([&] { return events == 4; });
        ClickButton(window, IDOK);
    });
    bool confirmed = dialog.Browse();
    watcher.Join();
    ASSERT_TRUE(watcher.Found());
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(dialog.FolderName, chosen);

    ASSERT_EQ(seen.size(), 4u);
    using TShown = std::pair<bool, std::wstring>;
    // My Computer is no file-system folder: the shell refuses it under boDirsOnly and the event is told so.
    EXPECT_EQ(shown, (std::vector<TShown>{{false, L"Каталог занят."},
                                          {true, L"Выбрано: Каталог Zarvo."},
                                          {false, L"Выбрано: " + seen[2].display + L"."}}));
    EXPECT_EQ(seen[0].folder, other);
    EXPECT_EQ(seen[0].display, L"Занято");
    EXPECT_TRUE(seen[0].okEnabled);
    EXPECT_EQ(seen[1].folder, chosen);
    EXPECT_EQ(seen[1].display, L"Каталог Zarvo");
    EXPECT_EQ(seen[2].folder, L"");
    EXPECT_FALSE(seen[2].display.empty());
    EXPECT_FALSE(seen[2].okEnabled);
    for (const TSeen& event : seen)
        EXPECT_EQ(event.exFolder, event.folder);
}

TEST_F(BrowseFolderDialogTest, RootFolderIsTheTopOfTheTree) {
    TBrowseFolderDialog dialog;
    dialog.RootFolderID = CSIDL_PROGRAM_FILES;
    std::wstring top;
    TDialogWatcher watcher([&](HWND window) {
        top = TreeRootText(window);
        ClickButton(window, IDCANCEL);
    });
    dialog.Browse();
    watcher.Join();
    ASSERT_TRUE(watcher.Found());
    EXPECT_EQ(top, L"Program Files");
}

TEST_F(BrowseFolderDialogTest, UnknownRootFolderRaisesWithoutShowingTheDialog) {
    TBrowseFolderDialog dialog;
    dialog.RootFolderID = 0x7fff;
    TDialogWatcher watcher([](HWND window) { ClickButton(window, IDOK); }, 1500);
    try {
        dialog.Browse();
        ADD_FAILURE() << "no exception";
    } catch (const ESetupError& error) {
        EXPECT_EQ(error.Message(), L"Root folder not supported on this system");
    }
    watcher.Join();
    EXPECT_FALSE(watcher.Found());
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
