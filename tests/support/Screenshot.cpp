#include "tests/support/Screenshot.h"

#include "common/GdiHandles.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPaths.h"

namespace zarvo::testing {

std::wstring ScreenshotFolder() {
    std::wstring folder = WinePath(ZARVO_SCREENSHOT_DIR);
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

bool WriteBitmap(const std::wstring& path, const BITMAPINFOHEADER& header, const std::string& pixels) {
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = DWORD(file.bfOffBits + pixels.size());
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&header), sizeof(header));
    return WriteTextFile(path, bytes + pixels);
}

bool SaveWindowImage(HWND window, const std::wstring& path) {
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
    return WriteBitmap(path, header, pixels);
}

std::wstring SaveScreenshot(HWND window, const std::wstring& name, const std::function<void()>& settle) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    settle();
    std::wstring path = ScreenshotFolder() + L"\\" + name + L".bmp";
    return SaveWindowImage(window, path) ? path : std::wstring();
}

} // namespace zarvo::testing
