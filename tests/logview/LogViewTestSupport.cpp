#include "LogViewTestSupport.h"

#include "tests/support/TempFolder.h"
#include "tests/support/TestPaths.h"

#include <algorithm>
#include <cstring>

namespace zarvo::testing {

namespace {

constexpr const wchar_t* FrameClassName = L"LogViewTestFrame";

} // namespace

COLORREF TImage::At(int x, int y) const {
    uint32_t pixel = pixels[size_t(y) * size_t(width) + size_t(x)];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

std::vector<bool> TImage::InkMask(RECT rect) const {
    COLORREF background = GetSysColor(COLOR_WINDOW);
    std::vector<bool> mask;
    for (int y = std::max(0, int(rect.top)); y < std::min(height, int(rect.bottom)); ++y)
        for (int x = std::max(0, int(rect.left)); x < std::min(width, int(rect.right)); ++x)
            mask.push_back(At(x, y) != background);
    return mask;
}

std::set<COLORREF> TImage::InkIn(RECT rect) const {
    COLORREF background = GetSysColor(COLOR_WINDOW);
    std::set<COLORREF> colors;
    for (int y = std::max(0, int(rect.top)); y < std::min(height, int(rect.bottom)); ++y)
        for (int x = std::max(0, int(rect.left)); x < std::min(width, int(rect.right)); ++x)
            if (At(x, y) != background)
                colors.insert(At(x, y));
    return colors;
}

TImage Capture(int width, int height, const std::function<void(HDC)>& draw) {
    TImage image;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    TGdiObject bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    TMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!bitmap.Valid() || !dc.Valid())
        return image;
    TSelectObject select(dc.Get(), bitmap.Get());
    draw(dc.Get());
    GdiFlush();
    image.width = width;
    image.height = height;
    image.pixels.resize(size_t(width) * size_t(height));
    std::memcpy(image.pixels.data(), bits, image.pixels.size() * sizeof(uint32_t));
    for (uint32_t& pixel : image.pixels)
        pixel &= 0x00FFFFFF;
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
    std::wstring folder = WinePath(ZARVO_SCREENSHOT_DIR);
    CreateDirectoryW(folder.c_str(), nullptr);
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = image.width;
    header.biHeight = -image.height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = DWORD(file.bfOffBits + image.pixels.size() * sizeof(uint32_t));
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&header), sizeof(header));
    bytes.append(reinterpret_cast<const char*>(image.pixels.data()), image.pixels.size() * sizeof(uint32_t));
    std::wstring path = folder + L"\\" + name + L".bmp";
    return WriteTextFile(path, bytes) ? path : std::wstring();
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr))
        return L"<clipboard busy>";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void PutOnClipboard(const std::wstring& text) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    std::memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
}

HWND LogViewTest::frame = nullptr;

void LogViewTest::SetUpTestSuite() {
    WNDCLASSEXW frameClass{};
    frameClass.cbSize = sizeof(frameClass);
    frameClass.lpfnWndProc = DefWindowProcW;
    frameClass.hInstance = GetModuleHandleW(nullptr);
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    frameClass.lpszClassName = FrameClassName;
    if (RegisterClassExW(&frameClass) != 0 && RegisterLogViewClass(GetModuleHandleW(nullptr)))
        frame = CreateWindowExW(0, FrameClassName, L"TLogView", WS_OVERLAPPED | WS_CAPTION, 0, 0, 1200, 400,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(frame, SW_SHOW);
    SetForegroundWindow(frame);
}

void LogViewTest::TearDownTestSuite() {
    DestroyWindow(frame);
}

void LogViewTest::SetUp() {
    ASSERT_NE(frame, nullptr);
    dpi = GetDeviceCaps(TWindowDc(nullptr).Get(), LOGPIXELSY);
    log = CreateWindowExW(0, LogViewClassName, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, Scale(484),
                          Scale(249), frame, nullptr, GetModuleHandleW(nullptr), nullptr);
    view = TLogView::FromHandle(log);
    ASSERT_NE(view, nullptr);
    SetFontHeight(-11);
    view->SetEndEllipsis(false);
    view->SetFlatBorder(true);
    view->SetFlatScrollBars(true);
    view->SetDoubleBuffered(true);
    SetFocus(log);
}

void LogViewTest::TearDown() {
    if (IsWindow(log))
        DestroyWindow(log);
}

void LogViewTest::SetFontHeight(int height) {
    TGdiObject next(CreateFontW(Scale(height), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                                L"Lucida Console"));
    SendMessageW(log, WM_SETFONT, reinterpret_cast<WPARAM>(next.Get()), TRUE);
    font = std::move(next);
}

RECT LogViewTest::Cell(int column, int visibleRow) const {
    int top = visibleRow * view->RowHeight();
    return column == 0 ? RECT{0, top, Scale(20), top + view->RowHeight()}
                       : RECT{Scale(20), top, Scale(1020), top + view->RowHeight()};
}

void LogViewTest::Add(std::initializer_list<std::pair<const wchar_t*, uint8_t>> lines) {
    for (const auto& [text, status] : lines)
        view->AddMessage(text, status);
}

} // namespace zarvo::testing
