#include "DialogTestSupport.h"

#include "shell/ApplicationHelp.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPaths.h"

#include <commctrl.h>

#include <atomic>

namespace zarvo::testing {

namespace {

std::atomic<LONG> helpPassedOn{0};

void RecordHelp(int context) {
    THelpRecorder::Shown().push_back(context);
}

LRESULT CALLBACK CountPassedOnHelp(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                   DWORD_PTR) noexcept {
    if (message == WM_HELP)
        ++helpPassedOn;
    if (message == WM_NCDESTROY)
        RemoveWindowSubclass(window, &CountPassedOnHelp, 1);
    return DefSubclassProc(window, message, wParam, lParam);
}

// Runs before the dialog procedure sees WM_INITDIALOG, so before the component subclasses the window.
LRESULT CALLBACK ProbeInitialisingDialog(int code, WPARAM wParam, LPARAM lParam) noexcept {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    wchar_t className[16] = {};
    if (code == HC_ACTION && call->message == WM_INITDIALOG && GetClassNameW(call->hwnd, className, 16) &&
        std::wstring(className) == L"#32770") {
        SetWindowLongPtrW(call->hwnd, GWL_EXSTYLE,
                          GetWindowLongPtrW(call->hwnd, GWL_EXSTYLE) | WS_EX_CONTEXTHELP);
        SetWindowSubclass(call->hwnd, &CountPassedOnHelp, 1, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool WriteBmp(const std::wstring& path, HDC dc, HBITMAP bitmap, int width, int height) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    DWORD stride = (DWORD(width) * 3 + 3) & ~3u;
    std::string pixels(size_t(stride) * height, '\0');
    if (!GetDIBits(dc, bitmap, 0, UINT(height), pixels.data(), reinterpret_cast<BITMAPINFO*>(&header),
                   DIB_RGB_COLORS))
        return false;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = DWORD(file.bfOffBits + pixels.size());
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof(file));
    bytes.append(reinterpret_cast<const char*>(&header), sizeof(header));
    return WriteTextFile(path, bytes + pixels);
}

} // namespace

THelpRecorder::THelpRecorder() : previous_(SetHelpContextHandler(&RecordHelp)) {
    Shown().clear();
}

THelpRecorder::~THelpRecorder() {
    SetHelpContextHandler(previous_);
}

std::vector<int>& THelpRecorder::Shown() {
    static std::vector<int> contexts;
    return contexts;
}

TShellDialogProbe::TShellDialogProbe()
    : hook_(SetWindowsHookExW(WH_CALLWNDPROC, &ProbeInitialisingDialog, nullptr, GetCurrentThreadId())) {
    helpPassedOn = 0;
}

TShellDialogProbe::~TShellDialogProbe() {
    UnhookWindowsHookEx(hook_);
}

LONG TShellDialogProbe::HelpPassedOn() {
    return helpPassedOn;
}

HWND ChildWithText(HWND dialog, const std::wstring& text) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        if (WindowText(child) == text)
            return child;
    return nullptr;
}

std::wstring SaveScreenshot(HWND window, const std::wstring& name) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    Sleep(300);
    std::wstring folder = WinePath(ZARVO_SCREENSHOT_DIR);
    CreateDirectoryW(folder.c_str(), nullptr);
    RECT rect{};
    GetWindowRect(window, &rect);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY | CAPTUREBLT);
    SelectObject(memory, previous);
    std::wstring path = folder + L"\\" + name + L".bmp";
    bool written = WriteBmp(path, memory, bitmap, width, height);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return written ? path : std::wstring();
}

} // namespace zarvo::testing
