// TLogView rendered into memory: what each line shows, where, in which colours, and how the view
// follows new lines whatever the user did.

#include "LogViewTestSupport.h"

#include <cwchar>
#include <memory>

namespace zarvo::testing {

namespace {

const COLORREF Info = 0x00808000;
const COLORREF Error = 0x00FF00FF;

// A thread timer's callback cannot capture: what it saw of the open menu goes here.
std::wstring MenuItemText;

void CALLBACK ChooseFirstMenuItem(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND menu = FindWindowW(L"#32768", nullptr);
    if (menu == nullptr)
        return;
    KillTimer(nullptr, timer);
    wchar_t text[64] = L"";
    GetMenuStringW(reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0)), 0, text, 64,
                   MF_BYPOSITION);
    MenuItemText = text;
    PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
}

// Set when the processing handed to the control is destroyed.
bool ProcessingDestroyed = false;

struct TDestroyWitness {
    ~TDestroyWitness() { ProcessingDestroyed = true; }
};

void CALLBACK EndMenuTimer(HWND, UINT, UINT_PTR, DWORD) {
    EndMenu();
}

void SetControlKey(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = down ? 0x80 : 0;
    SetKeyboardState(keys);
}

} // namespace

TEST_F(LogViewTest, FirstLineSitsAtTheTopAndTheNewestIsFocused) {
    Add({{L"first", 0}});
    EXPECT_EQ(view->LineCount(), 1u);
    EXPECT_EQ(view->TopRow(), 0);
    EXPECT_EQ(view->FocusedRow(), 0);
    TImage image = Render(log);
    EXPECT_TRUE(image.HasInk(Cell(0, 0)));
    EXPECT_TRUE(image.HasInk(Cell(1, 0)));
    RECT below = Cell(0, 1);
    below.right = image.width;
    EXPECT_FALSE(image.HasInk(below));

    // The dotted rectangle runs along the top edge of the focused line's mark, only while focused.
    Add({{L"second", 0}});
    auto topEdge = [&](int row) {
        return RECT{0, Cell(0, row).top, Scale(20), Cell(0, row).top + 1};
    };
    image = Render(log);
    EXPECT_TRUE(image.HasInk(topEdge(1)));
    EXPECT_FALSE(image.HasInk(topEdge(0)));
    SetFocus(frame);
    EXPECT_FALSE(Render(log).HasInk(topEdge(1)));
}

TEST_F(LogViewTest, ColoursFollowTheStatusAndTheEnabledState) {
    Add({{L"information", 0}, {L"Ошибка: error", 1}, {L"other status", 2}});
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
            std::set<COLORREF> ink = image.InkIn(Cell(column, c.row));
            COLORREF expected = column == 0 ? c.mark : c.text;
            EXPECT_TRUE(ink.count(expected)) << "column " << column;
            for (COLORREF other : {Info, Error, black}) {
                if (other != expected) {
                    EXPECT_FALSE(ink.count(other)) << "column " << column << " has " << std::hex << other;
                }
            }
        }
    }
    EnableWindow(log, TRUE);
    Add({{L"Создание пути C:\\Program Files\\Zarvo", 0},
         {L"Dist\\Zarvo.exe распакован успешно", 0},
         {L"Ошибка: Невозможно распаковать Dist\\Kernel.dll", 1},
         {L"Установка ПО \"Вирдана\" успешно завершена.", 0}});
    EXPECT_FALSE(SaveScreenshot(Render(log), L"logview-mixed").empty());
}

// What a text shows, against the same text drawn plainly at 6, 2 in the cell: no prefix handling,
// no underline, nothing added.
TEST_F(LogViewTest, TextIsDrawnAsGiven) {
    const wchar_t* texts[] = {L"a&b", L"&", L"&&x", L""};
    for (const wchar_t* text : texts)
        view->AddMessage(text, 2);
    TImage image = Render(log);
    for (int row = 0; row < 4; ++row) {
        SCOPED_TRACE(::testing::Message() << "row " << row);
        RECT cell = Cell(1, row);
        RECT clip{cell.left + 6, cell.top + 2, cell.right, cell.bottom};
        TImage reference = Capture(image.width, image.height, [&](HDC dc) {
            TSelectObject selectFont(dc, font.Get());
            FillRect(dc, &cell, GetSysColorBrush(COLOR_WINDOW));
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            SetBkMode(dc, TRANSPARENT);
            ExtTextOutW(dc, clip.left, clip.top, ETO_CLIPPED, &clip, texts[row], UINT(wcslen(texts[row])),
                        nullptr);
        });
        EXPECT_EQ(image.InkMask(cell), reference.InkMask(cell));
        EXPECT_EQ(image.HasInk(cell), texts[row][0] != L'\0');
        EXPECT_TRUE(image.HasInk(Cell(0, row)));
    }
}

TEST_F(LogViewTest, LongTextIsCutAtTheEdgeOrEndsInAnEllipsis) {
    MoveWindow(log, 0, 0, Scale(1100), Scale(249), TRUE);
    view->AddMessage(std::wstring(400, L'W'), 0);
    view->AddMessage(std::wstring(400, L'.'), 0);
    const int textRight = Scale(1020), height = view->RowHeight();
    for (bool ellipsis : {false, true}) {
        SCOPED_TRACE(::testing::Message() << "EndEllipsis " << ellipsis);
        view->SetEndEllipsis(ellipsis);
        TImage image = Render(log);
        // Up to the column's edge, or up to 6 pixels before it (the fine dots come that close).
        for (int row : {0, 1})
            EXPECT_EQ(image.HasInk(RECT{textRight - 6, row * height, textRight, (row + 1) * height}),
                      !ellipsis);
        EXPECT_TRUE(image.HasInk(RECT{textRight - 12, height, textRight - 6, 2 * height}));
        // The last ink of the W's: their upper half when cut, the low dots of "..." otherwise.
        int last = textRight - 1;
        while (last > 0 && !image.HasInk(RECT{last, 0, last + 1, height}))
            --last;
        EXPECT_EQ(image.HasInk(RECT{last - 2, 0, last + 1, 2 + height / 2 - 1}), !ellipsis);
    }
    EXPECT_FALSE(GetWindowLongW(log, GWL_STYLE) & WS_HSCROLL);
}

TEST_F(LogViewTest, FlatBorderIsAThinStaticEdge) {
    for (bool flat : {false, true}) {
        view->SetFlatBorder(flat);
        LONG exStyle = GetWindowLongW(log, GWL_EXSTYLE);
        EXPECT_EQ((exStyle & WS_EX_STATICEDGE) != 0, flat);
        EXPECT_EQ((exStyle & WS_EX_CLIENTEDGE) != 0, !flat);
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
        SCROLLINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = SIF_ALL;
        GetScrollInfo(log, SB_VERT, &info);
        EXPECT_EQ(info.nPos, view->TopRow());
        EXPECT_EQ(info.nMax, view->RowCount() - 1);
        TImage image = Render(log);
        int lastVisible = view->RowCount() - 1 - view->TopRow();
        EXPECT_TRUE(image.HasInk(Cell(0, lastVisible)));
        EXPECT_FALSE(image.HasInk(RECT{0, Cell(0, lastVisible).bottom, image.width, image.height}));
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
        if (c.message == WM_VSCROLL) {
            EXPECT_EQ(GetFocus(), log); // the scroll bar gives the control the focus
        }
        view->AddMessage(L"after scrolling back", 0);
        expectNewestAtBottom();
    }
}

TEST_F(LogViewTest, OnlyTheWheelMovesTheFocusedLine) {
    for (int line = 0; line < 40; ++line)
        view->AddMessage(L"line", 0);
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
        {"down", WM_KEYDOWN, VK_DOWN, 0},
        {"page up", WM_KEYDOWN, VK_PRIOR, 0},
        {"home", WM_KEYDOWN, VK_HOME, 0},
        {"end", WM_KEYDOWN, VK_END, 0},
        {"left click", WM_LBUTTONDOWN, MK_LBUTTON, 0},
        {"right click", WM_RBUTTONDOWN, MK_RBUTTON, 0},
    };
    SendMessageW(log, WM_MOUSEWHEEL, MAKEWPARAM(0, 10 * WHEEL_DELTA), 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetFocus(frame);
        int focused = view->FocusedRow(), top = view->TopRow();
        SendMessageW(log, c.message, c.wParam, MAKELPARAM(5, 5));
        EXPECT_EQ(view->FocusedRow(), focused + c.focusMoves);
        EXPECT_GE(view->FocusedRow(), view->TopRow());
        EXPECT_LT(view->FocusedRow(), view->TopRow() + Scale(249) / view->RowHeight() - 1);
        if (c.focusMoves == 0) {
            EXPECT_EQ(view->TopRow(), top);
        }
        if (c.message == WM_LBUTTONDOWN || c.message == WM_RBUTTONDOWN) {
            EXPECT_EQ(GetFocus(), log);
        }
    }
    // The half notch above and this one make a whole one.
    SendMessageW(log, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA / 2), 0);
    EXPECT_EQ(view->FocusedRow(), 26);
    // The wheel stops at the last line.
    SendMessageW(log, WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-50 * WHEEL_DELTA)), 0);
    EXPECT_EQ(view->FocusedRow(), 39);
}

TEST_F(LogViewTest, PropertyChangesShowAtTheNextRepaint) {
    Add({{L"information", 0}, {L"error", 1}});
    std::vector<bool> mark = Render(log).InkMask(Cell(0, 0));
    ValidateRect(log, nullptr);
    view->SetStatusChar(L'#');
    view->SetInfoColor(RGB(0, 160, 0));
    view->SetErrorColor(RGB(0, 0, 255));
    EXPECT_FALSE(GetUpdateRect(log, nullptr, FALSE));
    TImage image = Render(log);
    EXPECT_NE(image.InkMask(Cell(0, 0)), mark);
    EXPECT_TRUE(image.InkIn(Cell(0, 0)).count(RGB(0, 160, 0)));
    EXPECT_TRUE(image.InkIn(Cell(1, 1)).count(RGB(0, 0, 255)));
    EXPECT_FALSE(image.InkIn(Cell(1, 1)).count(Error));
}

TEST_F(LogViewTest, RowHeightFollowsTheFont) {
    Add({{L"^j first", 0}, {L"^j second", 1}});
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
        TImage image = Render(log);
        // Each line's text inside its own row, two pixels down.
        for (int row : {0, 1}) {
            RECT cell = Cell(1, row);
            EXPECT_TRUE(image.HasInk(cell));
            EXPECT_FALSE(image.HasInk(RECT{cell.left, cell.top, cell.right, cell.top + 2}));
        }
    }
}

TEST_F(LogViewTest, CopyAndGetTextGiveTheExactLines) {
    Add({{L"Создание пути C:\\Zarvo", 0},
         {L"Ошибка: Невозможно распаковать a&b.dll", 1},
         {L"", 0},
         {L"last", 2}});
    const std::wstring expected =
        L"Создание пути C:\\Zarvo\r\nОшибка: Невозможно распаковать a&b.dll\r\n\r\nlast";
    struct Case {
        const char* name;
        void (*copy)(HWND log);
    } cases[] = {
        {"Ctrl+C",
         [](HWND log) {
             SetControlKey(true);
             SendMessageW(log, WM_KEYDOWN, 'C', 0);
             SetControlKey(false);
         }},
        {"context menu",
         [](HWND log) {
             MenuItemText.clear();
             SetTimer(nullptr, 0, 50, ChooseFirstMenuItem);
             UINT_PTR safety = SetTimer(nullptr, 0, 5000, EndMenuTimer);
             SendMessageW(log, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(log), -1);
             KillTimer(nullptr, safety);
             EXPECT_EQ(MenuItemText, L"Копировать");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PutOnClipboard(L"stale");
        c.copy(log);
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
