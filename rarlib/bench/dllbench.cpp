// dllbench: the extraction speed of Unrar.dll builds side by side, as the installer calls them.
//   dllbench RUNS DLL... -- ARCHIVE...
// Each run tests (decodes and checks) every entry of every archive once through each DLL in turn, so
// the builds share the machine's state; the best run per DLL and archive counts. Paths are Windows
// paths (under Wine: Z:\...).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "rardll.h"

namespace {

template <typename F> bool bind(HMODULE module, F& fn, const char* name) {
    fn = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return fn != nullptr;
}

struct Library {
    std::wstring path;
    HMODULE module = nullptr;
    decltype(&RAROpenArchiveEx) openArchiveEx = nullptr;
    decltype(&RARReadHeaderEx) readHeaderEx = nullptr;
    decltype(&RARProcessFileW) processFileW = nullptr;
    decltype(&RARCloseArchive) closeArchive = nullptr;

    bool load() {
        module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (!module) {
            return false;
        }
        return bind(module, openArchiveEx, "RAROpenArchiveEx") &&
               bind(module, readHeaderEx, "RARReadHeaderEx") &&
               bind(module, processFileW, "RARProcessFileW") && bind(module, closeArchive, "RARCloseArchive");
    }

    // Unpacked bytes of the archive, or -1 when any entry failed.
    long long testArchive(const std::wstring& archive) const {
        RAROpenArchiveDataEx open{};
        open.ArcNameW = const_cast<wchar_t*>(archive.c_str());
        open.OpenMode = RAR_OM_EXTRACT;
        HANDLE h = openArchiveEx(&open);
        if (!h) {
            return -1;
        }
        long long bytes = 0;
        RARHeaderDataEx header{};
        int rc;
        while ((rc = readHeaderEx(h, &header)) == ERAR_SUCCESS) {
            if (processFileW(h, RAR_TEST, nullptr, nullptr) != ERAR_SUCCESS) {
                rc = -1;
                break;
            }
            bytes += (static_cast<long long>(header.UnpSizeHigh) << 32) | header.UnpSize;
        }
        closeArchive(h);
        return rc == ERAR_END_ARCHIVE ? bytes : -1;
    }
};

double seconds() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<Library> libraries;
    std::vector<std::wstring> archives;
    bool afterDash = false;
    for (int i = 2; i < argc; ++i) {
        if (!afterDash && std::wcscmp(argv[i], L"--") == 0) {
            afterDash = true;
        } else if (afterDash) {
            archives.push_back(argv[i]);
        } else {
            libraries.push_back(Library{argv[i]});
        }
    }
    const int runs = argc > 1 ? _wtoi(argv[1]) : 0;
    if (runs <= 0 || libraries.empty() || archives.empty()) {
        std::fprintf(stderr, "usage: dllbench RUNS DLL... -- ARCHIVE...\n");
        return 2;
    }
    for (auto& library : libraries) {
        if (!library.load()) {
            std::fprintf(stderr, "dllbench: cannot load %ls\n", library.path.c_str());
            return 1;
        }
    }

    // best[archive][library]: the shortest time of a run.
    std::vector<std::vector<double>> best(archives.size(), std::vector<double>(libraries.size(), 1e30));
    std::vector<long long> sizes(archives.size(), 0);
    for (int run = 0; run < runs; ++run) {
        for (size_t a = 0; a < archives.size(); ++a) {
            for (size_t l = 0; l < libraries.size(); ++l) {
                const double start = seconds();
                const long long bytes = libraries[l].testArchive(archives[a]);
                const double elapsed = seconds() - start;
                if (bytes < 0) {
                    std::fprintf(stderr, "dllbench: %ls fails on %ls\n", libraries[l].path.c_str(),
                                 archives[a].c_str());
                    return 1;
                }
                sizes[a] = bytes;
                best[a][l] = elapsed < best[a][l] ? elapsed : best[a][l];
            }
        }
    }

    std::printf("best of %d runs, MB/s of unpacked data (ratio to the first DLL)\n", runs);
    for (size_t l = 0; l < libraries.size(); ++l) {
        std::printf("  [%zu] %ls\n", l, libraries[l].path.c_str());
    }
    for (size_t a = 0; a < archives.size(); ++a) {
        std::printf("%ls (%lld bytes)\n", archives[a].c_str(), sizes[a]);
        for (size_t l = 0; l < libraries.size(); ++l) {
            const double rate = static_cast<double>(sizes[a]) / best[a][l] / 1e6;
            std::printf("  [%zu] %8.1f MB/s  %.3f\n", l, rate, best[a][0] / best[a][l]);
        }
    }
    return 0;
}
