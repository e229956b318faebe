#pragma once
// TBrowseFolderDialog: runs the shell's browse-for-folder dialog with an initial folder, a caption, a
// headline, help support and selection-change events, and gives back the chosen folder's path.

#include "common/Handles.h"
#include "shell/BrowseFolderOptions.h"

#include <windows.h>
#include <shlobj.h>

#include <deque>
#include <exception>
#include <functional>
#include <string>

namespace zarvo {

class TBrowseFolderDialog {
public:
    // The control id of the help button that boShowHelp adds.
    static constexpr int HelpButtonId = 0x1000;

    // owner: the window the dialog is modal to; none makes it a top-level dialog of its own.
    explicit TBrowseFolderDialog(HWND owner = nullptr) noexcept : owner_(owner) {}
    TBrowseFolderDialog(const TBrowseFolderDialog&) = delete;
    TBrowseFolderDialog& operator=(const TBrowseFolderDialog&) = delete;
    virtual ~TBrowseFolderDialog() = default;

    void SetOwner(HWND owner) noexcept { owner_ = owner; }

    // Caption of the dialog window; empty keeps the system's.
    std::wstring Title;
    // In: the folder selected when the dialog opens (none if empty). Out, after a confirmed Browse: the
    // chosen item's file-system path, empty for an item that has none.
    std::wstring FolderName;
    // Text above the folder tree.
    std::wstring Headline;
    // A CSIDL number for the root of the tree; 0 is the desktop.
    int RootFolderID = 0;
    TBrowseFolderOptions Options{boContextHelp, boDirsOnly};
    // The help topic of the help button and of F1; 0 means none.
    int HelpContext = 0;

    // A help topic asked for by the help button or F1; without a handler nothing shows (the product ships
    // no help file).
    std::function<void(TBrowseFolderDialog&, int helpContext)> OnHelp;
    // Once the dialog window exists and is set up.
    std::function<void(TBrowseFolderDialog&)> OnInitialise;
    // When the dialog window is destroyed.
    std::function<void(TBrowseFolderDialog&)> OnClose;
    // On every selection change, once the shell has settled it (its own verdict on OK included); the
    // handler may set the status line's text and enable or disable OK.
    std::function<void(TBrowseFolderDialog&, const std::wstring& folderName, const std::wstring& displayName,
                       std::wstring& statusText, bool& okEnabled)>
        OnSelChange;
    // The same, after OnSelChange, with the selected item's ID list.
    std::function<void(TBrowseFolderDialog&, LPCITEMIDLIST, std::wstring& statusText, bool& okEnabled)>
        OnSelChangeEx;

    // Runs the dialog modally. True when the user confirmed an item, false when they cancelled.
    // Raises ESetupError when the root folder is unknown to the shell (nothing is shown then), and
    // passes on the first exception an event handler raised, after closing the dialog.
    bool Browse();

    // The shell's display name of the item chosen in the last confirmed Browse.
    const std::wstring& DisplayName() const noexcept { return displayName_; }
    // The dialog window while the dialog is open, else nullptr.
    HWND Handle() const noexcept { return handle_; }

protected:
    // The messages of the dialog window. A derived dialog may handle more and pass the rest on.
    virtual LRESULT DialogWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The dialog window's own handling of a message.
    LRESULT PassOn(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM value, LPARAM data) noexcept;
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data) noexcept;

    void Initialise();
    void AddHelpButton();
    void SelectionChanged(LPCITEMIDLIST list);
    void SelectionSettled();
    // Keeps the first exception of a handler for Browse to raise and closes the dialog.
    void Fail(std::exception_ptr error) noexcept;

    HWND owner_ = nullptr;
    HWND handle_ = nullptr;
    std::wstring displayName_;
    std::exception_ptr failure_;
    // Selections the shell reported whose events have not run yet, oldest first.
    std::deque<TItemIDList> unsettled_;
};

} // namespace zarvo
