#pragma once
// What the log view's tests share: a framed control like the status page's, its client area
// rendered into memory, and readers for the pixels and the clipboard.

#include "app/GdiHandles.h"
#include "logview/LogView.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace zarvo::testing {

// A client area as rendered through WM_PRINTCLIENT.
struct TImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // top-down, 0x00RRGGBB

    COLORREF At(int x, int y) const;
    // Colours other than the window background inside the rectangle (clipped to the image).
    std::set<COLORREF> InkIn(RECT rect) const;
    bool HasInk(RECT rect) const { return !InkIn(rect).empty(); }
    // Pixels that differ from the background, as a mask.
    std::vector<bool> InkMask(RECT rect) const;
};

// Whatever draw paints into a width × height canvas.
TImage Capture(int width, int height, const std::function<void(HDC)>& draw);
TImage Render(HWND window);
// Writes the image as a BMP into the build tree's screenshots folder; the path, or empty.
std::wstring SaveScreenshot(const TImage& image, const std::wstring& name);
std::wstring ClipboardText();
void PutOnClipboard(const std::wstring& text);

// A log view in a top-level frame, set up as the form sets up its own. The frame serves every test:
// Wine takes seconds to take a top-level window off the display.
class LogViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    void SetFontHeight(int height);
    // A cell of a visible row (0 = the top one) in client coordinates; column 0 is the mark.
    RECT Cell(int column, int visibleRow) const;
    int Scale(int pixels) const { return MulDiv(pixels, dpi, 96); }
    void Add(std::initializer_list<std::pair<const wchar_t*, uint8_t>> lines);

    static HWND frame;
    HWND log = nullptr;
    TLogView* view = nullptr;
    TGdiObject font;
    int dpi = 96;
};

} // namespace zarvo::testing
