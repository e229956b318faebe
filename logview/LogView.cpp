// TLogView's lines, rows and scrolling: appending, the focused row and bringing it into view.

#include "logview/LogView.h"

#include "logview/LogViewAccessible.h"

#include <algorithm>

namespace zarvo {

namespace {

// The grid keeps every row's pixel offset below 2^31.
int RowCap(int rowHeight) {
    return 2147483645 / rowHeight - 2;
}

// The same DPI the form scales its layout with.
int ScreenDpi() {
    TWindowDc screen(nullptr);
    int dpi = screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : 96;
}

// What AddMessage runs when the owner gave no message processing of its own.
void ProcessPendingMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Left for the owner's loop, which must still see it.
            PostQuitMessage(int(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

} // namespace

TLogView::TLogView(HWND window) : window_(window) {}

TLogView::~TLogView() = default;

TLogView* TLogView::FromHandle(HWND window) noexcept {
    wchar_t name[32];
    if (window == nullptr || GetClassNameW(window, name, 32) == 0 || lstrcmpiW(name, LogViewClassName) != 0)
        return nullptr;
    return reinterpret_cast<TLogView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void TLogView::Create() {
    dpi_ = ScreenDpi();
    ownFont_.Reset(CreateFontW(-MulDiv(8, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                               FIXED_PITCH | FF_MODERN, L"Lucida Console"));
    SetFont(nullptr);
    SetFlatBorder(flatBorder_);
    ApplyFlatScrollBars();
}

void TLogView::AddMessage(const std::wstring& text, uint8_t status) {
    lines_.push_back({text, status});
    SetRowCount(std::min(rowCount_ + 1, RowCap(rowHeight_)));
    FocusRow(rowCount_ - 1);
    UpdateScrollBar();
    InvalidateRect(window_, nullptr, FALSE);
    NotifyLineAdded(window_, lines_.size() - 1);
    NotifyLineFocused(window_, size_t(focusedRow_));
    // A handled message may destroy this control (the form closing): run a copy, touch nothing after.
    std::function<void()> processMessages = processMessages_;
    if (processMessages)
        processMessages();
    else
        ProcessPendingMessages();
}

void TLogView::SetFlatBorder(bool value) noexcept {
    flatBorder_ = value;
    LONG exStyle = GetWindowLongW(window_, GWL_EXSTYLE) & ~(WS_EX_CLIENTEDGE | WS_EX_STATICEDGE);
    SetWindowLongW(window_, GWL_EXSTYLE, exStyle | (value ? WS_EX_STATICEDGE : WS_EX_CLIENTEDGE));
    // The view never scrolls sideways.
    SetWindowLongW(window_, GWL_STYLE, GetWindowLongW(window_, GWL_STYLE) & ~WS_HSCROLL);
    SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int TLogView::Scale(int pixels) const noexcept {
    return MulDiv(pixels, dpi_, 96);
}

int TLogView::ClientHeight() const noexcept {
    RECT client{};
    GetClientRect(window_, &client);
    return client.bottom;
}

int TLogView::FullyVisibleRows() const noexcept {
    return std::max(1, ClientHeight() / rowHeight_);
}

int TLogView::MaxTopRow() const noexcept {
    return std::max(0, rowCount_ - FullyVisibleRows());
}

void TLogView::SetFont(HFONT font) {
    if (font == nullptr)
        font = ownFont_.Valid() ? static_cast<HFONT>(ownFont_.Get())
                                : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    font_ = font;
    UpdateRowHeight();
}

void TLogView::UpdateRowHeight() {
    TWindowDc dc(window_);
    SIZE size{0, 0};
    if (dc.Get() != nullptr) {
        TSelectObject select(dc.Get(), font_);
        GetTextExtentPoint32W(dc.Get(), L"^j", 2, &size);
    }
    rowHeight_ = std::max(1, int(size.cy) + 2 + 2);
    SetRowCount(int(std::min<size_t>(lines_.size(), size_t(RowCap(rowHeight_)))));
    UpdateScrollBar();
}

void TLogView::SetRowCount(int count) {
    rowCount_ = count;
    focusedRow_ = std::clamp(focusedRow_, 0, std::max(0, rowCount_ - 1));
    SetTopRow(topRow_);
}

void TLogView::FocusRow(int row) {
    focusedRow_ = std::clamp(row, 0, std::max(0, rowCount_ - 1));
    ScrollIntoView(focusedRow_);
    InvalidateRect(window_, nullptr, FALSE);
}

// The view moves in whole rows. A row above the view, or taller than it, goes to the top edge; a
// row below it is brought up until it ends inside the view.
void TLogView::ScrollIntoView(int row) {
    int height = ClientHeight();
    int rowTop = (row - topRow_) * rowHeight_;
    int rowBottom = rowTop + rowHeight_;
    int top = topRow_;
    if (rowTop < 0 || rowHeight_ > height) {
        top = row;
    } else if (rowBottom > height) {
        int distance = rowBottom - height;
        int visibleRows = (height + rowHeight_ - 1) / rowHeight_;
        top += visibleRows > 1 ? (distance + rowHeight_ - 1) / rowHeight_ : distance / rowHeight_;
    }
    SetTopRow(top);
}

void TLogView::SetTopRow(int row) {
    row = std::clamp(row, 0, MaxTopRow());
    if (row != topRow_) {
        topRow_ = row;
        InvalidateRect(window_, nullptr, FALSE);
    }
}

} // namespace zarvo
