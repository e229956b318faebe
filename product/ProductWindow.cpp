#include "ProductWindow.h"

namespace standin {

namespace {

WORD closeCommand = 0;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
    case WM_COMMAND:
        if (closeCommand != 0 && LOWORD(wParam) == closeCommand) {
            DestroyWindow(window);
            return 0;
        }
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int RunProductWindow(HINSTANCE instance, const TProductWindow& window) {
    closeCommand = window.closeCommand;

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = window.className;
    if (RegisterClassExW(&windowClass) == 0)
        return 1;

    HWND handle = CreateWindowExW(0, window.className, window.title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 480, 320, nullptr, nullptr, instance, nullptr);
    if (handle == nullptr)
        return 1;
    if (window.visible) {
        ShowWindow(handle, SW_SHOWDEFAULT);
        UpdateWindow(handle);
    }
    // ZARVO_STANDIN_HANG=<window title>: that program stops handling its messages, as a hung one does.
    wchar_t hang[64] = {};
    if (GetEnvironmentVariableW(L"ZARVO_STANDIN_HANG", hang, 64) > 0 && lstrcmpW(hang, window.title) == 0)
        Sleep(INFINITE);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

} // namespace standin
