#pragma once
// The log view's tests: a control set up as the form's own in one shared frame (Wine takes seconds
// to take a top-level window off the display), its client area rendered into memory.

#include "common/GdiHandles.h"
#include "logview/LogView.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace zarvo::testing {

// Pixels, top-down, as COLORREF.
struct TImage {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;

    // The rectangle's pixels (clipped to the image), row by row.
    std::vector<COLORREF> Pixels(RECT rect) const;
    // Colours other than the window background inside the rectangle.
    std::set<COLORREF> InkIn(RECT rect) const;
    bool HasInk(RECT rect) const { return !InkIn(rect).empty(); }
};

// Whatever draw paints into a width × height canvas; Render is the control through WM_PRINTCLIENT.
TImage Capture(int width, int height, const std::function<void(HDC)>& draw);
TImage Render(HWND window);
// A BMP in the build tree's screenshots folder; the path, or empty.
std::wstring SaveScreenshot(const TImage& image, const std::wstring& name);

class LogViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite() { DestroyWindow(frame); }
    void SetUp() override;
    void TearDown() override { DestroyWindow(log); }

    void SetFontHeight(int height);
    // A cell of a visible row (0 = the top one); column 0 holds the mark.
    RECT Cell(int column, int visibleRow) const;
    int Scale(int pixels) const { return MulDiv(pixels, dpi, 96); }

    static HWND frame;
    HWND log = nullptr;
    TLogView* view = nullptr;
    TGdiObject font;
    int dpi = 96;
};

} // namespace zarvo::testing
