// A window with a title of the product that does not behave: "ignore" counts the close requests it gets
// and stays until WM_APP (its exit code is then the count); "hang" stops handling messages right after
// its window exists.
//   TestWindow.exe <title> ignore|hang

#include <windows.h>

#include <cwchar>

namespace {

DWORD closeRequests = 0;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    switch (message) {
    case WM_COMMAND:
    case WM_CLOSE:
        ++closeRequests;
        return 0;
    case WM_APP:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (args == nullptr || count != 3)
        return 100;
    bool hang = wcscmp(args[2], L"hang") == 0;

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"ZarvoSetupTestWindow";
    if (RegisterClassExW(&windowClass) == 0)
        return 101;
    if (CreateWindowExW(0, windowClass.lpszClassName, args[1], WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                        nullptr, instance, nullptr) == nullptr)
        return 102;
    LocalFree(args);

    if (hang)
        Sleep(INFINITE);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return int(closeRequests);
}
