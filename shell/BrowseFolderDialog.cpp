#include "shell/BrowseFolderDialog.h"

#include "common/SpecialFolders.h"
#include "common/Handles.h"
#include "common/SetupError.h"
#include "shell/SelectionDisplayName.h"

#include <commctrl.h>
#include <ole2.h>

#include <new>
#include <utility>

namespace zarvo {

namespace {

constexpr UINT_PTR DialogSubclassId = 1;

// Posted to the dialog for each selection change; handled once the shell is done with the change.
const UINT SelectionSettledMessage = RegisterWindowMessageW(L"ZarvoBrowseFolderSelectionSettled");

// OLE for the thread while the dialog runs: the new dialog style and the edit box need more than COM.
// Uninitialises only what it initialised.
class TOleInit {
public:
    TOleInit() noexcept : result_(OleInitialize(nullptr)) {}
    TOleInit(const TOleInit&) = delete;
    TOleInit& operator=(const TOleInit&) = delete;
    ~TOleInit() {
        if (SUCCEEDED(result_))
            OleUninitialize();
    }

private:
    HRESULT result_;
};

RECT RectInDialog(HWND control, HWND dialog) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::wstring ShellDisplayName(LPCITEMIDLIST list) {
    SHFILEINFOW info{};
    if (list == nullptr || SHGetFileInfoW(reinterpret_cast<LPCWSTR>(list), 0, &info, sizeof(info),
                                          SHGFI_PIDL | SHGFI_DISPLAYNAME) == 0)
        return {};
    return info.szDisplayName;
}

} // namespace

bool TBrowseFolderDialog::Browse() {
    TOleInit ole;
    TItemIDList root;
    if (RootFolderID != 0 &&
        (FAILED(SHGetSpecialFolderLocation(owner_, RootFolderID, root.Receive())) || !root))
        throw ESetupError(L"Root folder not supported on this system");

    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW info{};
    info.hwndOwner = owner_;
    info.pidlRoot = root.Get();
    info.pszDisplayName = displayName;
    info.lpszTitle = Headline.c_str();
    info.ulFlags = BrowseInfoFlags(Options);
    info.lpfn = &BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(this);

    failure_ = nullptr;
    TItemIDList chosen(SHBrowseForFolderW(&info));
    handle_ = nullptr;
    unsettled_.clear();
    if (failure_)
        std::rethrow_exception(std::exchange(failure_, nullptr));
    if (!chosen)
        return false;
    FolderName = ItemIDListPath(chosen.Get());
    displayName_ = displayName;
    return true;
}

int CALLBACK TBrowseFolderDialog::BrowseCallback(HWND dialog, UINT message, LPARAM value,
                                                 LPARAM data) noexcept {
    auto* self = reinterpret_cast<TBrowseFolderDialog*>(data);
    self->handle_ = dialog;
    try {
        if (message == BFFM_INITIALIZED)
            self->Initialise();
        else if (message == BFFM_SELCHANGED)
            self->SelectionChanged(reinterpret_cast<LPCITEMIDLIST>(value));
    } catch (...) {
        self->Fail(std::current_exception());
    }
    return 0;
}

void TBrowseFolderDialog::Initialise() {
    SetWindowSubclass(handle_, &SubclassProc, DialogSubclassId, reinterpret_cast<DWORD_PTR>(this));
    if (!FolderName.empty())
        SendMessageW(handle_, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(FolderName.c_str()));
    if (!Title.empty())
        SetWindowTextW(handle_, Title.c_str());
    if (Options.Has(boShowHelp))
        AddHelpButton();
    if (!Options.Has(boContextHelp)) {
        LONG_PTR exStyle = GetWindowLongPtrW(handle_, GWL_EXSTYLE);
        SetWindowLongPtrW(handle_, GWL_EXSTYLE, exStyle & ~LONG_PTR(WS_EX_CONTEXTHELP));
        // The caption's buttons are drawn from the frame: it has to be told.
        SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    if (OnInitialise)
        OnInitialise(*this);
}

// OK moves left by the gap between OK and Cancel, Cancel takes OK's place, and the help button takes
// Cancel's, all on OK's line with OK's size and font.
void TBrowseFolderDialog::AddHelpButton() {
    HWND ok = GetDlgItem(handle_, IDOK);
    HWND cancel = GetDlgItem(handle_, IDCANCEL);
    if (ok == nullptr || cancel == nullptr)
        return;
    RECT okRect = RectInDialog(ok, handle_);
    RECT cancelRect = RectInDialog(cancel, handle_);
    int step = cancelRect.left - okRect.left;
    constexpr UINT moveOnly = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(ok, nullptr, okRect.left - step, okRect.top, 0, 0, moveOnly);
    SetWindowPos(cancel, nullptr, okRect.left, okRect.top, 0, 0, moveOnly);
    DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | (HelpContext == 0 ? WS_DISABLED : 0);
    HWND help =
        CreateWindowExW(0, L"Button", L"&Help", style, cancelRect.left, okRect.top,
                        okRect.right - okRect.left, okRect.bottom - okRect.top, handle_,
                        reinterpret_cast<HMENU>(INT_PTR(HelpButtonId)), GetModuleHandleW(nullptr), nullptr);
    if (help != nullptr)
        SendMessageW(help, WM_SETFONT, SendMessageW(ok, WM_GETFONT, 0, 0), FALSE);
}

// Some shells judge the new selection for OK only after they have told us of it, and would undo what the
// events decide. The events therefore run from the dialog's queue, after the shell has finished.
void TBrowseFolderDialog::SelectionChanged(LPCITEMIDLIST list) {
    TItemIDList copy(ILClone(list));
    if (list != nullptr && !copy)
        throw std::bad_alloc();
    unsettled_.push_back(std::move(copy));
    if (!PostMessageW(handle_, SelectionSettledMessage, 0, 0)) {
        unsettled_.pop_back();
        RaiseLastError();
    }
}

void TBrowseFolderDialog::SelectionSettled() {
    if (unsettled_.empty())
        return;
    TItemIDList selection = std::move(unsettled_.front());
    unsettled_.pop_front();
    LPCITEMIDLIST list = selection.Get();
    std::wstring folder = ItemIDListPath(list);
    std::wstring display = SelectionDisplayName(folder, ShellDisplayName(list));
    HWND ok = GetDlgItem(handle_, IDOK);
    bool shellEnabled = ok != nullptr && IsWindowEnabled(ok);
    bool okEnabled = shellEnabled;
    std::wstring statusText;
    if (OnSelChange)
        OnSelChange(*this, folder, display, statusText, okEnabled);
    if (OnSelChangeEx)
        OnSelChangeEx(*this, list, statusText, okEnabled);
    if (okEnabled != shellEnabled)
        SendMessageW(handle_, BFFM_ENABLEOK, 0, okEnabled ? 1 : 0);
    if (Options.Has(boStatusText))
        SendMessageW(handle_, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(statusText.c_str()));
}

LRESULT CALLBACK TBrowseFolderDialog::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                                   UINT_PTR, DWORD_PTR data) noexcept {
    auto* self = reinterpret_cast<TBrowseFolderDialog*>(data);
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, &SubclassProc, DialogSubclassId);
        return DefSubclassProc(window, message, wParam, lParam);
    }
    try {
        return self->DialogWindowProc(message, wParam, lParam);
    } catch (...) {
        self->Fail(std::current_exception());
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT TBrowseFolderDialog::DialogWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == SelectionSettledMessage) {
        SelectionSettled();
        return 0;
    }
    switch (message) {
    case WM_DESTROY:
        if (OnClose)
            OnClose(*this);
        break;
    case WM_HELP:
        if (!Options.Has(boContextHelp)) {
            if (HelpContext != 0 && OnHelp)
                OnHelp(*this, HelpContext);
            return 1;
        }
        break;
    case WM_COMMAND:
        if (Options.Has(boShowHelp) && LOWORD(wParam) == HelpButtonId && HIWORD(wParam) == BN_CLICKED) {
            if (HelpContext != 0 && OnHelp)
                OnHelp(*this, HelpContext);
            return 0;
        }
        break;
    }
    return PassOn(message, wParam, lParam);
}

LRESULT TBrowseFolderDialog::PassOn(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(handle_, message, wParam, lParam);
}

void TBrowseFolderDialog::Fail(std::exception_ptr error) noexcept {
    if (!failure_)
        failure_ = std::move(error);
    if (handle_ != nullptr)
        PostMessageW(handle_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(handle_, IDCANCEL)));
}

} // namespace zarvo
