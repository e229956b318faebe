#pragma once
// What the screen shows of a window, saved as a 24-bit BMP for a person to look at.

#include "common/GdiHandles.h"
#include "tests/support/TempFolder.h"

#include <windows.h>

#include <string>

namespace zarvo::testing {

// Writes the window's rectangle of the screen to path; false when it cannot.
inline bool SaveWindowImage(HWND window, const std::wstring& path) {
    RECT rect{};
    if (!GetWindowRect(window, &rect))
        return false;
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    TWindowDc screen(nullptr);
    TMemoryDc memory(CreateCompatibleDC(screen.Get()));
    TGdiObject bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
    if (!memory.Valid() || !bitmap.Valid())
        return false;
    {
        TSelectObject select(memory.Get(), bitmap.Get());
        BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), rect.left, rect.top, SRCCOPY | CAPTUREBLT);
    }
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    DWORD stride = (DWORD(width) * 3 + 3) & ~3u;
    std::string pixels(size_t(stride) * height, '\0');
    if (!GetDIBits(memory.Get(), static_cast<HBITMAP>(bitmap.Get()), 0, UINT(height), pixels.data(),
                   reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS))
        return false;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = DWORD(file.bfOffBits + pixels.size());
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&header), sizeof(header));
    return WriteTextFile(path, bytes + pixels);
}

} // namespace zarvo::testing
