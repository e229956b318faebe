// Appends 100,000 lines to a visible log view set up as the status page's, and prints the lines per
// second and the process memory each line costs.

#include "logview/LogView.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace zarvo;

namespace {

int LineCount = 100000;

PROCESS_MEMORY_COUNTERS_EX Memory() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof(counters));
    return counters;
}

// A run's lines: mostly "unpacked" reports, one error in fifty.
std::wstring LineText(int index, uint8_t& status) {
    wchar_t text[160];
    status = index % 50 == 49 ? LogStatusError : LogStatusInfo;
    if (status == LogStatusError)
        swprintf(text, 160, L"Ошибка: Невозможно распаковать Dist\\Modules\\Module%05d.dll", index);
    else
        swprintf(text, 160, L"Dist\\Modules\\Module%05d.dll распакован успешно", index);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    // A smaller count for a quick look: logview_bench 5000
    if (argc > 1)
        LineCount = std::max(1, std::atoi(argv[1]));
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (!RegisterLogViewClass(instance)) {
        std::fprintf(stderr, "cannot register the log view class\n");
        return 1;
    }
    WNDCLASSEXW frameClass{};
    frameClass.cbSize = sizeof(frameClass);
    frameClass.lpfnWndProc = DefWindowProcW;
    frameClass.hInstance = instance;
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    frameClass.lpszClassName = L"LogViewBenchFrame";
    RegisterClassExW(&frameClass);

    HWND frame = CreateWindowExW(0, L"LogViewBenchFrame", L"LogView bench", WS_OVERLAPPEDWINDOW, 0, 0, 652,
                                 352, nullptr, nullptr, instance, nullptr);
    RECT client{};
    GetClientRect(frame, &client);
    HWND log = CreateWindowExW(0, LogViewClassName, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0,
                               client.right, client.bottom, frame, nullptr, instance, nullptr);
    TLogView* view = TLogView::FromHandle(log);
    if (frame == nullptr || view == nullptr) {
        std::fprintf(stderr, "cannot create the windows\n");
        return 1;
    }
    int dpi = GetDeviceCaps(TWindowDc(nullptr).Get(), LOGPIXELSY);
    TGdiObject font(CreateFontW(-MulDiv(11, dpi, 96), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH, L"Lucida Console"));
    SendMessageW(log, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), TRUE);
    view->SetEndEllipsis(false);
    view->SetFlatBorder(true);
    view->SetFlatScrollBars(true);
    view->SetDoubleBuffered(true);
    ShowWindow(frame, SW_SHOWNORMAL);
    UpdateWindow(frame);

    // The texts are made beforehand so that only the control's work is timed.
    std::vector<std::wstring> texts(LineCount);
    std::vector<uint8_t> statuses(LineCount);
    for (int index = 0; index < LineCount; ++index)
        texts[size_t(index)] = LineText(index, statuses[size_t(index)]);
    size_t textBytes = 0;
    for (const std::wstring& text : texts)
        textBytes += text.size() * sizeof(wchar_t);

    PROCESS_MEMORY_COUNTERS_EX before = Memory();
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int index = 0; index < LineCount; ++index)
        view->AddMessage(texts[size_t(index)], statuses[size_t(index)]);
    QueryPerformanceCounter(&end);
    PROCESS_MEMORY_COUNTERS_EX after = Memory();

    double seconds = double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
    std::printf("lines: %d in %.2f s = %.0f lines/s (screen %d DPI, row height %d px, top row %d)\n",
                LineCount, seconds, LineCount / seconds, dpi, view->RowHeight(), view->TopRow());
    std::printf("text per line: %.1f bytes (UTF-16, average)\n", double(textBytes) / LineCount);
    auto perLine = [](SIZE_T before, SIZE_T after) {
        return (double(after) - double(before)) / LineCount;
    };
    std::printf("private bytes: %.1f MB -> %.1f MB, %.1f bytes per line\n", before.PrivateUsage / 1048576.0,
                after.PrivateUsage / 1048576.0, perLine(before.PrivateUsage, after.PrivateUsage));
    // Some systems leave PrivateUsage empty; the commit charge says the same there.
    std::printf("commit charge: %.1f MB -> %.1f MB, %.1f bytes per line\n", before.PagefileUsage / 1048576.0,
                after.PagefileUsage / 1048576.0, perLine(before.PagefileUsage, after.PagefileUsage));
    std::printf("working set:   %.1f MB -> %.1f MB, %.1f bytes per line\n", before.WorkingSetSize / 1048576.0,
                after.WorkingSetSize / 1048576.0, perLine(before.WorkingSetSize, after.WorkingSetSize));
    DestroyWindow(frame);
    return 0;
}
