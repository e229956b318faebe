#pragma once
// LogView: the read-only list of a run's reports on the status page. One row per line, a status
// mark in the first column and the text in the second; the newest line is always brought into view.

#include "common/GdiHandles.h"

#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

namespace zarvo {

inline constexpr const wchar_t* LogViewClassName = L"TLogView";

// Line statuses with a colour of their own; any other value is shown in the font colour.
inline constexpr uint8_t LogStatusInfo = 0;
inline constexpr uint8_t LogStatusError = 1;

// Registers the window class once per process. False when the system refuses it.
bool RegisterLogViewClass(HINSTANCE instance);

class TLogView {
public:
    TLogView(const TLogView&) = delete;
    TLogView& operator=(const TLogView&) = delete;

    // The control behind a window of the class; null for any other window.
    static TLogView* FromHandle(HWND window) noexcept;
    HWND Handle() const noexcept { return window_; }

    // Appends a line, focuses it, brings it into view and lets the application handle its pending
    // messages (so the line is painted before the caller goes on).
    void AddMessage(const std::wstring& text, uint8_t status);
    size_t LineCount() const noexcept { return lines_.size(); }
    // The line's text as shown; an error line's begins with its caption.
    const std::wstring& LineText(size_t index) const { return lines_.at(index).text; }

    // Rows shown: the lines up to the row cap, which keeps every row's pixel offset in an int.
    int RowCount() const noexcept { return rowCount_; }
    int RowHeight() const noexcept { return rowHeight_; }
    int TopRow() const noexcept { return topRow_; }
    int FocusedRow() const noexcept { return focusedRow_; }

    // The setters store only; the control shows the change at its next repaint.
    wchar_t StatusChar() const noexcept { return statusChar_; }
    void SetStatusChar(wchar_t value) noexcept { statusChar_ = value; }
    COLORREF ErrorColor() const noexcept { return errorColor_; }
    void SetErrorColor(COLORREF value) noexcept { errorColor_ = value; }
    COLORREF InfoColor() const noexcept { return infoColor_; }
    void SetInfoColor(COLORREF value) noexcept { infoColor_ = value; }
    bool EndEllipsis() const noexcept { return endEllipsis_; }
    void SetEndEllipsis(bool value) noexcept { endEllipsis_ = value; }
    bool DoubleBuffered() const noexcept { return doubleBuffered_; }
    void SetDoubleBuffered(bool value) noexcept { doubleBuffered_ = value; }

    // A thin static edge instead of the sunken client edge; changes the frame at once.
    bool FlatBorder() const noexcept { return flatBorder_; }
    void SetFlatBorder(bool value) noexcept;
    // The common controls' flat scroll bar where it initialises; normal scroll bars otherwise.
    bool FlatScrollBars() const noexcept { return flatScrollBars_; }
    void SetFlatScrollBars(bool value) noexcept;

    // The application's message processing, run as AddMessage's last step. Without one, AddMessage
    // handles the thread's pending messages itself.
    // What the context menu's "Открыть журнал" does; without it the menu has no such item.
    void SetOpenJournal(std::function<void()> openJournal) { openJournal_ = std::move(openJournal); }
    void SetProcessMessages(std::function<void()> processMessages) {
        processMessages_ = std::move(processMessages);
    }

    // All lines as shown, joined by CR LF (what copying and WM_GETTEXT give).
    std::wstring AllText() const;
    // Puts AllText on the clipboard as Unicode text. False when the clipboard cannot be had.
    bool CopyToClipboard() const;

private:
    struct TLine {
        std::wstring text;
        uint8_t status;
    };

    explicit TLogView(HWND window);
    ~TLogView();
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    friend bool RegisterLogViewClass(HINSTANCE instance);

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Rows and scrolling (LogView.cpp).
    void Create();
    int Scale(int pixels) const noexcept;
    int ClientHeight() const noexcept;
    int FullyVisibleRows() const noexcept;
    int MaxTopRow() const noexcept;
    void SetFont(HFONT font);
    void UpdateRowHeight();
    void SetRowCount(int count);
    void FocusRow(int row);
    void ScrollIntoView(int row);
    void SetTopRow(int row); // the caller updates the scroll bar once it is done

    // Scroll bar (LogViewScrollBar.cpp).
    void ApplyFlatScrollBars();
    void UpdateScrollBar();
    int ScrollTrackPosition(WPARAM wParam) const;
    void OnVScroll(WPARAM wParam);

    // Input (LogViewWindow.cpp).
    void OnMouseWheel(int delta);
    bool OnKeyDown(WPARAM key);
    bool ShowContextMenu(LPARAM position);

    // Drawing (LogViewPaint.cpp).
    void Paint(HDC target) const;
    void PaintRows(HDC dc, const RECT& client) const;
    COLORREF CellTextColor(int column, int row) const;

    // WM_GETTEXTLENGTH and WM_GETTEXT (LogViewText.cpp).
    size_t TextLength() const noexcept;
    size_t CopyText(wchar_t* buffer, size_t capacity) const noexcept;

    HWND window_;
    std::deque<TLine> lines_;
    int rowCount_ = 0;
    int rowHeight_ = 1;
    int topRow_ = 0;
    int focusedRow_ = 0;
    int wheelRemainder_ = 0;
    int dpi_ = 96;

    wchar_t statusChar_ = L'\u00BB';
    COLORREF errorColor_ = 0x00FF00FF;
    COLORREF infoColor_ = 0x00808000;
    bool endEllipsis_ = true;
    bool doubleBuffered_ = true;
    bool flatBorder_ = true;
    bool flatScrollBars_ = true;
    bool flatScrollBarsActive_ = false;
    SCROLLINFO shownScrollBar_{}; // what the scroll bar was last given

    HFONT font_ = nullptr; // the one in use: ownFont_ or the owner's from WM_SETFONT
    TGdiObject ownFont_;   // "Lucida Console" until the owner sets a font
    std::function<void()> processMessages_;
    std::function<void()> openJournal_;
};

} // namespace zarvo
