// The form's layout as the windows really are: sizes at the screen's DPI, limits, alignment, captions,
// fonts, colours, pictures and keyboard order.

#include "AppTestSupport.h"

#include "app/Controls.h"
#include "app/Picture.h"

#include <commctrl.h>

#include <cstdlib>

using namespace zarvo;
using namespace zarvo::testing;
using enum TControlId;

namespace {

class Layout : public FormTest {
protected:
    void TearDown() override {
        form.reset();
        FormTest::TearDown();
    }
    int S(int pixels) const { return MulDiv(pixels, form->Dpi(), 96); }
    SIZE WindowSize() const {
        RECT rect{};
        GetWindowRect(form->Handle(), &rect);
        return {rect.right - rect.left, rect.bottom - rect.top};
    }
    RECT Client() const {
        RECT rect{};
        GetClientRect(form->Handle(), &rect);
        return rect;
    }
    void ExpectRect(TControlId id, int left, int top, int width, int height) const {
        RECT rect = RectInParent(form->Control(id));
        EXPECT_EQ(rect.left, S(left));
        EXPECT_EQ(rect.top, S(top));
        EXPECT_EQ(rect.right - rect.left, S(width));
        EXPECT_EQ(rect.bottom - rect.top, S(height));
    }
    LOGFONTW FontOf(TControlId id) const {
        LOGFONTW font{};
        auto handle = reinterpret_cast<HFONT>(SendMessageW(form->Control(id), WM_GETFONT, 0, 0));
        GetObjectW(handle, sizeof(font), &font);
        return font;
    }

    std::unique_ptr<TMainForm> form;
};

} // namespace

TEST_F(Layout, TheFormIs652By352AtTheScreensDpiCentredWithoutSystemMenu) {
    form = CreateForm();
    ASSERT_TRUE(form);
    TWindowDc screen(nullptr);
    EXPECT_EQ(form->Dpi(), GetDeviceCaps(screen.Get(), LOGPIXELSY));
    SIZE size = WindowSize();
    EXPECT_EQ(size.cx, S(652));
    EXPECT_EQ(size.cy, S(352));

    RECT rect{};
    GetWindowRect(form->Handle(), &rect);
    EXPECT_LE(std::abs(rect.left - (GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2), 1);
    EXPECT_LE(std::abs(rect.top - (GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2), 1);

    LONG style = GetWindowLongW(form->Handle(), GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_SYSMENU) << "no system menu and no close button";
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), PanelColor(form->Control(BottomPanel)));
    EXPECT_EQ(PanelColor(form->Control(LeftPanel)), RGB(255, 251, 240));
}

TEST_F(Layout, OnlyTheWidthChangesWithin652To1024AndTheBottomButtonsStayPut) {
    form = CreateForm();
    ASSERT_TRUE(form);
    RECT cancelBefore = RectInParent(form->Control(CancelButton));
    RECT forwardBefore = RectInParent(form->Control(ForwardButton));

    MINMAXINFO limits{};
    SendMessageW(form->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, S(652));
    EXPECT_EQ(limits.ptMaxTrackSize.x, S(1024));
    EXPECT_EQ(limits.ptMinTrackSize.y, S(352));
    EXPECT_EQ(limits.ptMaxTrackSize.y, S(352));

    struct {
        int width, height, expectedWidth;
    } const sizes[] = {{2000, 200, 1024}, {300, 500, 652}, {800, 352, 800}};
    for (const auto& s : sizes) {
        SetWindowPos(form->Handle(), nullptr, 0, 0, S(s.width), S(s.height), SWP_NOMOVE | SWP_NOZORDER);
        SIZE size = WindowSize();
        EXPECT_EQ(size.cx, S(s.expectedWidth)) << s.width;
        EXPECT_EQ(size.cy, S(352)) << s.height;
    }

    // At 800 wide: the bottom panel spans the client width, the left panel keeps its width, the page
    // control takes the rest, and the buttons keep their places.
    RECT client = Client();
    RECT bottom = RectInParent(form->Control(BottomPanel));
    EXPECT_EQ(bottom.left, 0);
    EXPECT_EQ(bottom.right, client.right);
    EXPECT_EQ(bottom.bottom, client.bottom);
    EXPECT_EQ(bottom.bottom - bottom.top, S(45));
    RECT left = RectInParent(form->Control(LeftPanel));
    EXPECT_EQ(left.right - left.left, S(152));
    EXPECT_EQ(left.bottom, bottom.top);
    RECT pages = RectInParent(form->Control(Pages));
    EXPECT_EQ(pages.left, left.right);
    EXPECT_EQ(pages.right, client.right);
    EXPECT_EQ(pages.bottom, bottom.top);
    EXPECT_EQ(RectInParent(form->Control(CancelButton)).left, cancelBefore.left);
    EXPECT_EQ(RectInParent(form->Control(ForwardButton)).left, forwardBefore.left);
    EXPECT_EQ(RectInParent(form->Control(ForwardButton)).top, forwardBefore.top);
}

TEST_F(Layout, ControlsSitWhereTheLayoutPutsThemScaledToTheDpi) {
    state->SetProgPath(L"C:\\Zarvo");
    form = CreateForm();
    ASSERT_TRUE(form);
    ExpectRect(Image2, 1, 1, 150, 280);
    ExpectRect(lDate, 10, 194, 129, 19);
    ExpectRect(ForwardButton, 475, 11, 91, 25);
    ExpectRect(RestoreButton, 24, 37, 81, 84);
    ExpectRect(cbAutoReinstall, 120, 92, 321, 33);
    ExpectRect(PathEdit, 24, 26, 305, 21);

    // Aligned labels take bands of the page: Label6 at the top, Label7 at the very bottom, Label9 above it.
    RECT page{};
    GetClientRect(form->Control(SheetNew), &page);
    RECT label6 = RectInParent(form->Control(Label6));
    RECT label7 = RectInParent(form->Control(Label7));
    RECT label9 = RectInParent(form->Control(Label9));
    EXPECT_EQ(label6.top, 0);
    EXPECT_EQ(label6.right - label6.left, page.right);
    EXPECT_EQ(label6.bottom, S(52));
    EXPECT_EQ(label7.bottom, page.bottom);
    EXPECT_EQ(label7.bottom - label7.top, S(13));
    EXPECT_EQ(label9.bottom, label7.top);
    EXPECT_EQ(label9.bottom - label9.top, S(52));
    // Label12 is the top band of its page; auto-sized labels are as wide as their text.
    RECT label12 = RectInParent(form->Control(Label12));
    EXPECT_EQ(label12.top, 0);
    EXPECT_EQ(label12.bottom, S(32));
    RECT label1 = RectInParent(form->Control(Label1));
    EXPECT_EQ(label1.left, S(120));
    EXPECT_GT(label1.right - label1.left, S(60));
    EXPECT_LT(label1.right - label1.left, S(300));
}

TEST_F(Layout, CaptionsAreExactlyAsWrittenBlanksAndSpellingIncluded) {
    form = CreateForm();
    ASSERT_TRUE(form);
    struct {
        TControlId id;
        const wchar_t* text;
    } const captions[] = {
        {Label6, L"Добро пожаловать в программу  Zarvo !"},
        {Label10, L"- Для продолжения установки нажмите кнопку \"Вперед\". \r\n\r\n"
                  L"- Для выхода из программы установки нажмите кнопку \"Отмена\"."},
        {Label9, L"    "},
        {Label12, L"    Изменние текущей установка"},
        {cbAutoReinstall, L"Автоматически переустанавливать систему при появлении новых версий дистрибутива"},
        {cbNewAutoReinstall,
         L"Автоматически переустанавливать систему при появлении новых версий дистрибутива"},
        {RestoreButton, L""},
        {RemoveButton, L""},
        {BackButton, L"<< Назад"},
        {ForwardButton, L"Вперед >>"},
    };
    for (const auto& c : captions)
        EXPECT_EQ(TextOf(form->Control(c.id)), c.text) << LayoutOf(c.id).name;
}

TEST_F(Layout, FontsAreTahomaAtTheirCharacterHeights) {
    form = CreateForm();
    ASSERT_TRUE(form);
    struct {
        TControlId id;
        int height;
        bool bold;
    } const fonts[] = {{ForwardButton, 11, false}, {lDate, 16, false}, {Label6, 13, true},
                       {Label10, 13, false},       {Label1, 11, true}, {cbAutoReinstall, 11, false}};
    for (const auto& f : fonts) {
        LOGFONTW font = FontOf(f.id);
        EXPECT_STREQ(font.lfFaceName, L"Tahoma") << LayoutOf(f.id).name;
        EXPECT_EQ(font.lfHeight, -S(f.height)) << LayoutOf(f.id).name;
        EXPECT_EQ(font.lfWeight >= FW_BOLD, f.bold) << LayoutOf(f.id).name;
    }
    EXPECT_EQ(FontOf(Label12).lfCharSet, RUSSIAN_CHARSET);
    EXPECT_EQ(FontOf(Label6).lfCharSet, DEFAULT_CHARSET);

    // What the font mapper really gives: Tahoma, bold where asked, Cyrillic where asked.
    for (TControlId id : {ForwardButton, Label6, Label12}) {
        TWindowDc dc(form->Control(id));
        auto font = reinterpret_cast<HFONT>(SendMessageW(form->Control(id), WM_GETFONT, 0, 0));
        TSelectObject select(dc.Get(), font);
        wchar_t face[LF_FACESIZE] = {};
        GetTextFaceW(dc.Get(), LF_FACESIZE, face);
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc.Get(), &metrics);
        EXPECT_STREQ(face, L"Tahoma") << LayoutOf(id).name << ": is Tahoma installed in the Wine prefix?";
        EXPECT_EQ(metrics.tmWeight >= FW_BOLD, FontOf(id).lfWeight >= FW_BOLD) << LayoutOf(id).name;
        if (id == Label12) {
            EXPECT_EQ(metrics.tmCharSet, RUSSIAN_CHARSET);
        }
    }
}

TEST_F(Layout, BitmapButtonsShowTheirGlyphsAndThePanelItsBanner) {
    form = CreateForm();
    ASSERT_TRUE(form);
    SIZE banner = PictureSize(form->Control(Image2));
    EXPECT_EQ(banner.cx, 150);
    EXPECT_EQ(banner.cy, 280);
    struct {
        TControlId id;
        int width, height;
    } const glyphs[] = {{RestoreButton, 49, 48}, {RemoveButton, 53, 56}};
    for (const auto& g : glyphs) {
        BUTTON_IMAGELIST images{};
        ASSERT_TRUE(
            SendMessageW(form->Control(g.id), BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&images)));
        ASSERT_NE(images.himl, nullptr) << LayoutOf(g.id).name;
        int width = 0, height = 0;
        ImageList_GetIconSize(images.himl, &width, &height);
        EXPECT_EQ(width, S(g.width));
        EXPECT_EQ(height, S(g.height));
        EXPECT_EQ(images.uAlign, UINT(BUTTON_IMAGELIST_ALIGN_CENTER));
    }
}

// The pictures are stored run-length coded: points in each part of the drawing keep its exact colours.
TEST(Pictures, LoadWithTheColoursTheyWereDrawnIn) {
    struct {
        const wchar_t* name;
        int x, y;
        COLORREF colour;
    } const points[] = {
        {L"BANNER", 0, 0, RGB(214, 236, 233)},         {L"BANNER", 149, 150, RGB(250, 249, 239)},
        {L"BANNER", 75, 279, RGB(255, 251, 240)},      {L"BANNER", 105, 40, RGB(232, 150, 40)},
        {L"BANNER", 45, 70, RGB(0, 128, 128)},         {L"BANNER", 75, 74, RGB(0, 128, 128)},
        {L"RESTORE_GLYPH", 0, 47, RGB(240, 240, 240)}, {L"RESTORE_GLYPH", 24, 24, RGB(232, 150, 40)},
        {L"REMOVE_GLYPH", 0, 55, RGB(240, 240, 240)},  {L"REMOVE_GLYPH", 39, 41, RGB(255, 255, 255)},
    };
    TMemoryDc dc(CreateCompatibleDC(nullptr));
    for (const auto& p : points) {
        TGdiObject picture = LoadPicture(GetModuleHandleW(nullptr), p.name);
        ASSERT_TRUE(picture.Valid()) << p.name;
        TSelectObject select(dc.Get(), picture.Get());
        EXPECT_EQ(GetPixel(dc.Get(), p.x, p.y), p.colour) << p.name << " at " << p.x << "," << p.y;
    }
    EXPECT_FALSE(LoadPicture(GetModuleHandleW(nullptr), L"NO_SUCH_PICTURE").Valid());
}

TEST_F(Layout, TabGoesThroughThePageFirstThenTheEnabledButtons) {
    state->SetProgPath(L"C:\\Zarvo");
    form = CreateForm();
    ASSERT_TRUE(form);
    ShowForm(*form);
    HWND window = form->Handle();
    auto next = [&](TControlId id) {
        return GetNextDlgTabItem(window, form->Control(id), FALSE);
    };
    // Back and forward are off on the maintenance page.
    EXPECT_EQ(next(RestoreButton), form->Control(RemoveButton));
    EXPECT_EQ(next(RemoveButton), form->Control(cbAutoReinstall));
    EXPECT_EQ(next(cbAutoReinstall), form->Control(CancelButton));
    EXPECT_EQ(next(CancelButton), form->Control(RestoreButton));
    EXPECT_EQ(GetNextDlgTabItem(window, form->Control(RestoreButton), TRUE), form->Control(CancelButton));
}
