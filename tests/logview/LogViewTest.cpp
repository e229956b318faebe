// TLogView rendered into memory: what each line shows, where, in which colours, and how the view
// follows new lines whatever the user did.

#include "LogViewTestSupport.h"
#include "tests/support/MenuChoice.h"

#include <cwchar>
#include <memory>

namespace zarvo::testing {

namespace {

const COLORREF Info = 0x00808000;
const COLORREF Error = 0x00FF00FF;

// Thread timer callbacks cannot capture: what they saw goes into globals.
bool ProcessingDestroyed = false;

struct TDestroyWitness {
    ~TDestroyWitness() { ProcessingDestroyed = true; }
};

void PressCtrlC(HWND window) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(window, WM_KEYDOWN, 'C', 0);
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
}

void ChooseCopyFromMenu(HWND window) {
    EXPECT_EQ(ChooseFromMenu(window, 0), L"Копировать");
}

std::wstring ClipboardText() {
    std::wstring text;
    if (OpenClipboard(nullptr)) {
        HANDLE data = GetClipboardData(CF_UNICODETEXT);
        if (auto* chars = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr) {
            text = chars;
            GlobalUnlock(data);
        }
        CloseClipboard();
    }
    return text;
}

} // namespace

TEST_F(LogViewTest, FirstLineSitsAtTheTopAndTheNewestIsFocused) {
    view->AddMessage(L"first", 0);
    EXPECT_EQ(view->TopRow(), 0);
    EXPECT_EQ(view->FocusedRow(), 0);
    TImage image = Render(log);
    EXPECT_TRUE(image.HasInk(Cell(0, 0)));
    EXPECT_TRUE(image.HasInk(Cell(1, 0)));
    EXPECT_FALSE(image.HasInk(RECT{0, Cell(0, 1).top, image.width, image.height}));

    // The dotted rectangle runs along the top edge of the focused line's mark, only while focused.
    view->AddMessage(L"second", 0);
    auto topEdge = [&](int row) {
        return RECT{0, Cell(0, row).top, Scale(20), Cell(0, row).top + 1};
    };
    image = Render(log);
    EXPECT_TRUE(image.HasInk(topEdge(1)));
    EXPECT_FALSE(image.HasInk(topEdge(0)));
    SetFocus(frame);
    EXPECT_FALSE(Render(log).HasInk(topEdge(1)));
}

TEST_F(LogViewTest, ColoursFollowTheStatusTheEnabledStateAndTheProperties) {
    for (uint8_t status : {0, 1, 2})
        view->AddMessage(L"status " + std::to_wstring(status), status);
    COLORREF black = GetSysColor(COLOR_WINDOWTEXT), grey = GetSysColor(COLOR_GRAYTEXT);
    struct Case {
        bool enabled;
        int row;
        COLORREF mark, text;
    } cases[] = {
        {true, 0, Info, black}, {true, 1, Error, Error},  {true, 2, black, black},
        {false, 0, Info, grey}, {false, 1, Error, Error}, {false, 2, grey, grey},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "enabled " << c.enabled << ", row " << c.row);
        EnableWindow(log, c.enabled);
        TImage image = Render(log);
        for (int column : {0, 1}) {
            // Antialiased edges blend with the background; the stems keep the colour itself.
            std::set<COLORREF> ink = image.InkIn(Cell(column, c.row));
            COLORREF expected = column == 0 ? c.mark : c.text;
            EXPECT_TRUE(ink.count(expected)) << "column " << column;
            for (COLORREF other : {Info, Error, black})
                EXPECT_TRUE(other == expected || !ink.count(other)) << "column " << column << ": " << other;
        }
    }
    EnableWindow(log, TRUE);

    for (const wchar_t* text :
         {L"Создание пути C:\\Program Files\\Zarvo", L"Dist\\Zarvo.exe распакован успешно",
          L"Ошибка: Невозможно распаковать Dist\\Kernel.dll"})
        view->AddMessage(text, text[0] == L'О' ? 1 : 0);
    EXPECT_FALSE(SaveScreenshot(Render(log), L"logview-mixed").empty());

    // New colours and mark are stored only; the next repaint shows them.
    std::vector<COLORREF> plainMark = Render(log).Pixels(Cell(0, 2));
    ValidateRect(log, nullptr);
    view->SetStatusChar(L'#');
    view->SetInfoColor(RGB(0, 160, 0));
    view->SetErrorColor(RGB(0, 0, 255));
    EXPECT_FALSE(GetUpdateRect(log, nullptr, FALSE));
    TImage image = Render(log);
    EXPECT_NE(image.Pixels(Cell(0, 2)), plainMark);
    EXPECT_TRUE(image.InkIn(Cell(0, 0)).count(RGB(0, 160, 0)));
    EXPECT_TRUE(image.InkIn(Cell(1, 1)).count(RGB(0, 0, 255)));
    EXPECT_FALSE(image.InkIn(Cell(1, 1)).count(Error));
}

// Each text against the same text drawn plainly 6, 2 into its cell: no prefix handling, no
// underline, nothing added; an empty text leaves the cell empty.
TEST_F(LogViewTest, TextIsDrawnAsGiven) {
    const wchar_t* texts[] = {L"a&b", L"&", L"&&x", L""};
    for (const wchar_t* text : texts)
        view->AddMessage(text, 2);
    TImage image = Render(log);
    for (int row = 0; row < 4; ++row) {
        SCOPED_TRACE(::testing::Message() << "row " << row);
        RECT cell = Cell(1, row), clip{cell.left + 6, cell.top + 2, cell.right, cell.bottom};
        TImage reference = Capture(image.width, image.height, [&](HDC dc) {
            TSelectObject selectFont(dc, font.Get());
            FillRect(dc, &cell, GetSysColorBrush(COLOR_WINDOW));
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            SetBkMode(dc, TRANSPARENT);
            ExtTextOutW(dc, clip.left, clip.top, ETO_CLIPPED, &clip, texts[row], UINT(wcslen(texts[row])),
                        nullptr);
        });
        EXPECT_EQ(image.Pixels(cell), reference.Pixels(cell));
        EXPECT_EQ(image.HasInk(cell), texts[row][0] != L'\0');
        EXPECT_TRUE(image.HasInk(Cell(0, row)));
    }
}

TEST_F(LogViewTest, LongTextIsCutAtTheEdgeOrEndsInAnEllipsis) {
    MoveWindow(log, 0, 0, Scale(1100), Scale(249), TRUE);
    view->AddMessage(std::wstring(400, L'W'), 0);
    view->AddMessage(std::wstring(400, L'.'), 0);
    const int right = Scale(1020), height = view->RowHeight();
    for (bool ellipsis : {false, true}) {
        SCOPED_TRACE(::testing::Message() << "EndEllipsis " << ellipsis);
        view->SetEndEllipsis(ellipsis);
        TImage image = Render(log);
        // Up to the column's edge, or up to 6 pixels before it (the fine dots come that close).
        EXPECT_EQ(image.HasInk(RECT{right - 6, 0, right, 2 * height}), !ellipsis);
        EXPECT_TRUE(image.HasInk(RECT{right - 12, height, right - 6, 2 * height}));
        // The last ink of the W's: their upper half when cut, the low dots of "..." otherwise.
        int last = right - 1;
        while (last > 0 && !image.HasInk(RECT{last, 0, last + 1, height}))
            --last;
        EXPECT_EQ(image.HasInk(RECT{last - 2, 0, last + 1, 1 + height / 2}), !ellipsis);
    }
    EXPECT_FALSE(GetWindowLongW(log, GWL_STYLE) & WS_HSCROLL);
    for (bool flat : {false, true}) {
        view->SetFlatBorder(flat);
        EXPECT_EQ((GetWindowLongW(log, GWL_EXSTYLE) & (WS_EX_STATICEDGE | WS_EX_CLIENTEDGE)),
                  flat ? WS_EX_STATICEDGE : WS_EX_CLIENTEDGE);
    }
}

TEST_F(LogViewTest, NewestLineEndsFullyVisibleAtTheBottom) {
    RECT client{};
    GetClientRect(log, &client);
    auto expectNewestAtBottom = [&] {
        int bottom = (view->RowCount() - view->TopRow()) * view->RowHeight();
        EXPECT_LE(bottom, client.bottom);
        EXPECT_GT(bottom, client.bottom - view->RowHeight());
        EXPECT_EQ(view->FocusedRow(), view->RowCount() - 1);
        EXPECT_EQ(GetScrollPos(log, SB_VERT), view->TopRow());
        TImage image = Render(log);
        RECT lastMark = Cell(0, view->RowCount() - 1 - view->TopRow());
        EXPECT_TRUE(image.HasInk(lastMark));
        EXPECT_FALSE(image.HasInk(RECT{0, lastMark.bottom, image.width, image.height}));
    };
    for (int line = 0; line < 500; ++line)
        view->AddMessage(L"line " + std::to_wstring(line), uint8_t(line % 2));
    expectNewestAtBottom();

    struct Case {
        const char* name;
        UINT message;
        WPARAM wParam;
        int repeat;
    } cases[] = {
        {"wheel", WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 60},
        {"thumb drag", WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 100), 1},
        {"line up", WM_VSCROLL, SB_LINEUP, 5},
        {"page up", WM_VSCROLL, SB_PAGEUP, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int top = view->TopRow();
        SetFocus(frame);
        for (int i = 0; i < c.repeat; ++i)
            SendMessageW(log, c.message, c.wParam, 0);
        EXPECT_LT(view->TopRow(), top);
        EXPECT_EQ(GetFocus() == log, c.message == WM_VSCROLL); // the scroll bar focuses the control
        view->AddMessage(L"after scrolling back", 0);
        expectNewestAtBottom();
    }
}

TEST_F(LogViewTest, OnlyTheWheelMovesTheFocusedLine) {
    for (int line = 0; line < 40; ++line)
        view->AddMessage(L"line", 0);
    SendMessageW(log, WM_MOUSEWHEEL, MAKEWPARAM(0, 10 * WHEEL_DELTA), 0);
    struct Case {
        const char* name;
        UINT message;
        WPARAM wParam;
        int focusMoves;
    } cases[] = {
        {"wheel up", WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), -1},
        {"two notches up", WM_MOUSEWHEEL, MAKEWPARAM(0, 2 * WHEEL_DELTA), -2},
        {"wheel down", WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-WHEEL_DELTA)), 1},
        {"half a notch", WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA / 2), 0},
        {"up", WM_KEYDOWN, VK_UP, 0},
        {"page up", WM_KEYDOWN, VK_PRIOR, 0},
        {"home", WM_KEYDOWN, VK_HOME, 0},
        {"end", WM_KEYDOWN, VK_END, 0},
        {"left click", WM_LBUTTONDOWN, MK_LBUTTON, 0},
        {"right click", WM_RBUTTONDOWN, MK_RBUTTON, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetFocus(frame);
        int focused = view->FocusedRow(), top = view->TopRow();
        SendMessageW(log, c.message, c.wParam, MAKELPARAM(5, 5));
        EXPECT_EQ(view->FocusedRow(), focused + c.focusMoves);
        EXPECT_TRUE(c.focusMoves != 0 || view->TopRow() == top);
        EXPECT_GE(view->FocusedRow(), view->TopRow());
        EXPECT_LT(view->FocusedRow(), view->TopRow() + Scale(249) / view->RowHeight() - 1);
        EXPECT_EQ(GetFocus() == log, c.message == WM_LBUTTONDOWN || c.message == WM_RBUTTONDOWN);
    }
    // The half notch above and this one make a whole one; the wheel stops at the last line.
    SendMessageW(log, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA / 2), 0);
    EXPECT_EQ(view->FocusedRow(), 26);
    SendMessageW(log, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-50 * WHEEL_DELTA)), 0);
    EXPECT_EQ(view->FocusedRow(), 39);
}

TEST_F(LogViewTest, RowHeightFollowsTheFont) {
    view->AddMessage(L"^j first", 0);
    view->AddMessage(L"^j second", 1);
    for (int height : {-20, -8, -11}) {
        SCOPED_TRACE(height);
        SetFontHeight(height);
        SIZE size{};
        {
            TWindowDc dc(log);
            TSelectObject select(dc.Get(), font.Get());
            GetTextExtentPoint32W(dc.Get(), L"^j", 2, &size);
        }
        ASSERT_EQ(view->RowHeight(), size.cy + 4);
        // Each line's text inside its own row, two pixels down.
        TImage image = Render(log);
        for (int row : {0, 1}) {
            RECT cell = Cell(1, row);
            EXPECT_TRUE(image.HasInk(cell));
            EXPECT_FALSE(image.HasInk(RECT{cell.left, cell.top, cell.right, cell.top + 2}));
        }
    }
}

TEST_F(LogViewTest, CopyAndGetTextGiveTheExactLines) {
    const wchar_t* lines[] = {L"Создание пути C:\\Zarvo", L"Ошибка: Невозможно распаковать a&b.dll", L"",
                              L"last"};
    for (uint8_t status = 0; status < 4; ++status)
        view->AddMessage(lines[status], status);
    const std::wstring expected =
        L"Создание пути C:\\Zarvo\r\nОшибка: Невозможно распаковать a&b.dll\r\n\r\nlast";
    for (auto copy : {PressCtrlC, ChooseCopyFromMenu}) {
        ASSERT_TRUE(OpenClipboard(nullptr) && EmptyClipboard() && CloseClipboard());
        copy(log);
        EXPECT_EQ(ClipboardText(), expected);
    }
    EXPECT_EQ(GetWindowTextLengthW(log), int(expected.size()));
    std::wstring text(expected.size() + 1, L'?');
    EXPECT_EQ(SendMessageW(log, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())),
              LRESULT(expected.size()));
    EXPECT_EQ(text.c_str(), expected);
    // A short buffer gets the start, terminated.
    wchar_t part[8];
    EXPECT_EQ(SendMessageW(log, WM_GETTEXT, 8, reinterpret_cast<LPARAM>(part)), 7);
    EXPECT_EQ(std::wstring(part), expected.substr(0, 7));

    // The journal item is there once the owner says how to open the journal.
    int opened = 0;
    view->SetOpenJournal([&] { ++opened; });
    EXPECT_EQ(ChooseFromMenu(log, 1), L"Открыть журнал");
    EXPECT_EQ(opened, 1);
}

TEST_F(LogViewTest, AddMessageHandlesPendingMessagesBeforeItReturns) {
    // Without the application's processing: the thread's messages, after the scroll to the new line,
    // and a quit left for the owner's loop.
    for (int line = 0; line < 40; ++line)
        view->AddMessage(L"line", 0);
    PostMessageW(log, WM_VSCROLL, SB_TOP, 0);
    ValidateRect(log, nullptr);
    view->AddMessage(L"one", 0);
    EXPECT_EQ(view->TopRow(), 0);
    EXPECT_FALSE(GetUpdateRect(log, nullptr, FALSE)); // painted
    PostQuitMessage(7);
    view->AddMessage(L"quit", 0);
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);

    // The application's processing, still alive when what it handles destroys the control with it.
    int calls = 0;
    ProcessingDestroyed = false;
    view->SetProcessMessages([&calls, window = log, witness = std::make_shared<TDestroyWitness>()] {
        ++calls;
        DestroyWindow(window);
        EXPECT_FALSE(ProcessingDestroyed);
    });
    view->AddMessage(L"two", 0);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(IsWindow(log));
    EXPECT_TRUE(ProcessingDestroyed);
}

} // namespace zarvo::testing
