#include "LogViewTestSupport.h"

#include "tests/support/Screenshot.h"

#include <algorithm>
#include <cstring>

namespace zarvo::testing {

std::vector<COLORREF> TImage::Pixels(RECT rect) const {
    std::vector<COLORREF> result;
    for (int y = std::max(0, int(rect.top)); y < std::min(height, int(rect.bottom)); ++y)
        for (int x = std::max(0, int(rect.left)); x < std::min(width, int(rect.right)); ++x)
            result.push_back(pixels[size_t(y) * size_t(width) + size_t(x)]);
    return result;
}

std::set<COLORREF> TImage::InkIn(RECT rect) const {
    std::set<COLORREF> colors;
    for (COLORREF color : Pixels(rect))
        if (color != GetSysColor(COLOR_WINDOW))
            colors.insert(color);
    return colors;
}

namespace {

BITMAPINFOHEADER TopDownHeader(int width, int height) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = -height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    return header;
}

} // namespace

TImage Capture(int width, int height, const std::function<void(HDC)>& draw) {
    BITMAPINFO info{TopDownHeader(width, height), {}};
    void* bits = nullptr;
    TGdiObject bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    TMemoryDc dc(CreateCompatibleDC(nullptr));
    TImage image;
    if (!bitmap.Valid() || !dc.Valid())
        return image;
    TSelectObject select(dc.Get(), bitmap.Get());
    draw(dc.Get());
    GdiFlush();
    image.width = width;
    image.height = height;
    const auto* bgra = static_cast<const uint32_t*>(bits);
    for (size_t index = 0; index < size_t(width) * size_t(height); ++index)
        image.pixels.push_back(RGB(bgra[index] >> 16 & 0xFF, bgra[index] >> 8 & 0xFF, bgra[index] & 0xFF));
    return image;
}

TImage Render(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return Capture(client.right, client.bottom, [&](HDC dc) {
        SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    });
}

std::wstring SaveScreenshot(const TImage& image, const std::wstring& name) {
    std::string pixels;
    for (COLORREF color : image.pixels) // BMP order: blue, green, red, unused
        pixels += {char(GetBValue(color)), char(GetGValue(color)), char(GetRValue(color)), '\0'};
    std::wstring path = ScreenshotFolder() + L"\\" + name + L".bmp";
    return WriteBitmap(path, TopDownHeader(image.width, image.height), pixels) ? path : std::wstring();
}

HWND LogViewTest::frame = nullptr;

void LogViewTest::SetUpTestSuite() {
    if (RegisterLogViewClass(GetModuleHandleW(nullptr)))
        frame = CreateWindowExW(0, L"STATIC", L"TLogView", WS_OVERLAPPED | WS_CAPTION, 0, 0, 1200, 400,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(frame, SW_SHOW);
    SetForegroundWindow(frame);
}

void LogViewTest::SetUp() {
    ASSERT_NE(frame, nullptr);
    dpi = GetDeviceCaps(TWindowDc(nullptr).Get(), LOGPIXELSY);
    log = CreateWindowExW(0, LogViewClassName, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, Scale(484),
                          Scale(249), frame, nullptr, GetModuleHandleW(nullptr), nullptr);
    view = TLogView::FromHandle(log);
    ASSERT_NE(view, nullptr);
    SetFontHeight(-11);
    view->SetEndEllipsis(false); // flat border, flat scroll bars and double buffering are on already
    SetFocus(log);
}

void LogViewTest::SetFontHeight(int height) {
    TGdiObject next(CreateFontW(Scale(height), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                L"Lucida Console"));
    SendMessageW(log, WM_SETFONT, reinterpret_cast<WPARAM>(next.Get()), TRUE);
    font = std::move(next);
}

RECT LogViewTest::Cell(int column, int visibleRow) const {
    int top = visibleRow * view->RowHeight(), bottom = top + view->RowHeight();
    return column == 0 ? RECT{0, top, Scale(20), bottom} : RECT{Scale(20), top, Scale(1020), bottom};
}

} // namespace zarvo::testing
