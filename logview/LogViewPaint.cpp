// Drawing TLogView: the visible rows only, through an off-screen buffer so a repaint per added line
// does not flicker.

#include "logview/LogView.h"

#include <algorithm>
#include <climits>

namespace zarvo {

namespace {

constexpr int StatusColumnWidth = 20; // at 96 DPI
constexpr int TextColumnWidth = 1000;
constexpr int TextLeft = 6;
constexpr int TextTop = 2;
constexpr int EllipsisMargin = 6;

} // namespace

void TLogView::Paint(HDC target) const {
    RECT client{};
    GetClientRect(window_, &client);
    if (client.right <= 0 || client.bottom <= 0)
        return;
    if (doubleBuffered_) {
        TMemoryDc buffer(CreateCompatibleDC(target));
        TGdiObject bitmap(CreateCompatibleBitmap(target, client.right, client.bottom));
        if (buffer.Valid() && bitmap.Valid()) {
            TSelectObject select(buffer.Get(), bitmap.Get());
            PaintRows(buffer.Get(), client);
            BitBlt(target, 0, 0, client.right, client.bottom, buffer.Get(), 0, 0, SRCCOPY);
            return;
        }
    }
    PaintRows(target, client);
}

void TLogView::PaintRows(HDC dc, const RECT& client) const {
    FillRect(dc, &client, GetSysColorBrush(COLOR_WINDOW));
    if (rowCount_ == 0)
        return;
    TSelectObject selectFont(dc, font_);
    SetBkMode(dc, TRANSPARENT);
    const int widths[2] = {Scale(StatusColumnWidth), Scale(TextColumnWidth)};
    const UINT format = DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | (endEllipsis_ ? DT_END_ELLIPSIS : 0);
    const bool focused = GetFocus() == window_;
    for (int row = topRow_, y = 0; row < rowCount_ && y < client.bottom; ++row, y += rowHeight_) {
        const TLine& line = lines_[size_t(row)];
        int x = 0;
        for (int column = 0; column < 2 && x < client.right; ++column) {
            RECT cell{x, y, x + widths[column], y + rowHeight_};
            x = cell.right;
            const wchar_t* text = column == 0 ? &statusChar_ : line.text.data();
            int length = column == 0 ? 1 : int(std::min<size_t>(line.text.size(), INT_MAX));
            if (length == 0)
                continue;
            RECT textRect{cell.left + TextLeft, cell.top + TextTop,
                          cell.right - (endEllipsis_ ? EllipsisMargin : 0), cell.bottom};
            SetTextColor(dc, CellTextColor(column, row));
            DrawTextW(dc, text, length, &textRect, format);
        }
        if (focused && row == focusedRow_) {
            RECT mark{0, y, widths[0], y + rowHeight_};
            DrawFocusRect(dc, &mark);
        }
    }
}

// The focused line looks like any other: no selection colours. A line's own colours win over the
// grey of a disabled control.
COLORREF TLogView::CellTextColor(int column, int row) const {
    uint8_t status = lines_[size_t(row)].status;
    if (status == LogStatusError)
        return errorColor_;
    if (status == LogStatusInfo && column == 0)
        return infoColor_;
    return GetSysColor(IsWindowEnabled(window_) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT);
}

} // namespace zarvo
