// Prints how long unpacking the demo payload's whole list takes line by line (one walk per line) and in
// one pass, with the number of archive opens each way. Figures only; nothing is asserted.
#include "archive/ArchiveExtract.h"
#include "archive/ArchiveOpenCount.h"
#include "archive/DistUnpack.h"
#include "archive/UnRAR.h"
#include "common/CommonUtils.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPaths.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <sstream>
#include <vector>

using namespace zarvo;
using zarvo::testing::ProgramFolder;
using zarvo::testing::ReadBinaryFile;
using zarvo::testing::TempFolder;
using zarvo::testing::WinePath;

namespace {

double Milliseconds(const std::function<void(const std::wstring&)>& unpack) {
    TempFolder target(L"zarvo-bench");
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    unpack(target.Path());
    QueryPerformanceCounter(&end);
    SetCurrentDirectoryW(ProgramFolder().c_str());
    return double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

void Report(const char* way, const std::function<void(const std::wstring&)>& unpack) {
    std::vector<double> times;
    TArchiveOpenCount opens;
    for (int round = 0; round < 7; ++round) {
        ResetArchiveOpenCount();
        times.push_back(Milliseconds(unpack));
        opens = ArchiveOpenCount();
    }
    std::sort(times.begin(), times.end());
    std::printf("%-13s median %8.2f ms  min %8.2f ms  opens: %u extraction, %u listing\n", way, times[3],
                times[0], opens.extraction, opens.listing);
}

} // namespace

int main() {
    if (!LoadRarLibrary(ProgramFolder() + L"\\Unrar.dll")) {
        std::puts("Unrar.dll not loaded");
        return 1;
    }
    std::wstring payload = WinePath(ZARVO_DEMO_PAYLOAD);
    TempFolder work(L"zarvo-bench-list");
    if (!ExtractArchiveFile(payload, work.Path(), L"Dist.lst")) {
        std::puts("Dist.lst not extracted");
        return 1;
    }
    std::vector<std::wstring> lines;
    std::istringstream list(ReadBinaryFile(work / L"Dist.lst"));
    for (std::string line; std::getline(list, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(OemToAnsi(line));
    }
    std::printf("demo payload: %zu lines, %zu bytes\n", lines.size(), ReadBinaryFile(payload).size());
    Report("line by line", [&](const std::wstring& target) {
        for (const std::wstring& line : lines)
            if (!ExtractArchiveFolder(payload, line, target, L"Dist"))
                return;
    });
    Report("one pass", [&](const std::wstring& target) {
        struct TIgnored final : TLineUnpacked {
            void LineUnpacked(size_t, const TFolderExtraction&) override {}
        } ignored;
        UnpackDistLines(payload, lines, target, L"Dist", {target}, ignored);
    });
    FreeRarLibrary();
    return 0;
}
