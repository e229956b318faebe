// TLogView's vertical scroll bar: whole rows, drawn flat by the common controls where they can.

#include "logview/LogView.h"

#include "common/Folders.h"
#include "common/Handles.h"

#include <algorithm>

namespace zarvo {

namespace {

// The flat scroll bar functions, looked up at run time: the import library lacks them, and a
// comctl32 without them means normal scroll bars.
struct TFlatScrollApi {
    BOOL(WINAPI* initialize)(HWND) = nullptr;
    HRESULT(WINAPI* uninitialize)(HWND) = nullptr;
    int(WINAPI* setInfo)(HWND, int, LPSCROLLINFO, BOOL) = nullptr;
    BOOL(WINAPI* getInfo)(HWND, int, LPSCROLLINFO) = nullptr;

    bool Complete() const { return initialize && uninitialize && setInfo && getInfo; }
};

template <typename Function> void Bind(HMODULE module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Looked up at start-up, so that no initialisation guard is needed.
TModule LoadedCommonControls;
const TFlatScrollApi FlatScrollFunctions = [] {
    TFlatScrollApi result;
    // The comctl32 the process already uses (the manifest's version), else the system's.
    HMODULE module = GetModuleHandleW(L"comctl32.dll");
    if (module == nullptr) {
        LoadedCommonControls.Reset(LoadLibraryW((GetSystemFolder() + L"comctl32.dll").c_str()));
        module = LoadedCommonControls.Get();
    }
    if (module != nullptr) {
        Bind(module, "InitializeFlatSB", result.initialize);
        Bind(module, "UninitializeFlatSB", result.uninitialize);
        Bind(module, "FlatSB_SetScrollInfo", result.setInfo);
        Bind(module, "FlatSB_GetScrollInfo", result.getInfo);
    }
    return result;
}();

const TFlatScrollApi& FlatScrollApi() {
    return FlatScrollFunctions;
}

} // namespace

void TLogView::SetFlatScrollBars(bool value) noexcept {
    flatScrollBars_ = value;
    ApplyFlatScrollBars();
}

void TLogView::ApplyFlatScrollBars() {
    const TFlatScrollApi& api = FlatScrollApi();
    if (flatScrollBars_ && !flatScrollBarsActive_ && api.Complete()) {
        flatScrollBarsActive_ = api.initialize(window_) != FALSE;
        shownScrollBar_ = {};
    } else if (!flatScrollBars_ && flatScrollBarsActive_) {
        api.uninitialize(window_);
        flatScrollBarsActive_ = false;
        shownScrollBar_ = {};
    }
    UpdateScrollBar();
}

// Once per change: redrawing a scroll bar is the dearest part of adding a line.
void TLogView::UpdateScrollBar() {
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMax = std::max(0, rowCount_ - 1);
    info.nPage = UINT(FullyVisibleRows());
    info.nPos = topRow_;
    if (info.cbSize == shownScrollBar_.cbSize && info.nMax == shownScrollBar_.nMax &&
        info.nPage == shownScrollBar_.nPage && info.nPos == shownScrollBar_.nPos)
        return;
    shownScrollBar_ = info;
    if (flatScrollBarsActive_)
        FlatScrollApi().setInfo(window_, SB_VERT, &info, TRUE);
    else
        SetScrollInfo(window_, SB_VERT, &info, TRUE);
}

// The thumb's position: the message carries 16 bits of it, the scroll bar all 32.
int TLogView::ScrollTrackPosition(WPARAM wParam) const {
    if (rowCount_ <= 0xFFFF)
        return HIWORD(wParam);
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_TRACKPOS;
    BOOL read = flatScrollBarsActive_ ? FlatScrollApi().getInfo(window_, SB_VERT, &info)
                                      : GetScrollInfo(window_, SB_VERT, &info);
    return read ? info.nTrackPos : topRow_;
}

void TLogView::OnVScroll(WPARAM wParam) {
    // Using the scroll bar focuses the control, as a click does.
    if (GetFocus() != window_)
        SetFocus(window_);
    int top = topRow_;
    switch (LOWORD(wParam)) {
    case SB_LINEUP:
        --top;
        break;
    case SB_LINEDOWN:
        ++top;
        break;
    case SB_PAGEUP:
        top -= FullyVisibleRows();
        break;
    case SB_PAGEDOWN:
        top += FullyVisibleRows();
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
        top = ScrollTrackPosition(wParam);
        break;
    case SB_TOP:
        top = 0;
        break;
    case SB_BOTTOM:
        top = MaxTopRow();
        break;
    default:
        return;
    }
    SetTopRow(top);
    UpdateScrollBar();
}

} // namespace zarvo
