#pragma once
// Screenshots for a person to look at, as BMP files in the build tree's screenshots folder.

#include <windows.h>

#include <functional>
#include <string>

namespace zarvo::testing {

// The screenshots folder, created when missing.
std::wstring ScreenshotFolder();

// A BMP file of the header's format holding the given rows; false when it cannot be written.
bool WriteBitmap(const std::wstring& path, const BITMAPINFOHEADER& header, const std::string& pixels);

// Writes the window's rectangle of the screen to path as a 24-bit BMP; false when it cannot.
bool SaveWindowImage(HWND window, const std::wstring& path);

// Redraws the window, gives it time to paint through settle (the caller knows whose messages must
// run meanwhile) and saves it as <name>.bmp in the screenshots folder; the path, or empty.
std::wstring SaveScreenshot(HWND window, const std::wstring& name, const std::function<void()>& settle);

} // namespace zarvo::testing
