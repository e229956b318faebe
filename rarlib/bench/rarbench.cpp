// rarbench: extraction throughput (MB/s of unpacked output, median of several runs) of this library
// and of libarchive on the same archives, in the same run.
//   rarbench [-n RUNS] [ARCHIVE...]
// Without arguments: the LZ archives of the test data and rar-large/alpine_lzss.rar.
#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "archive/ArchiveReader.h"
#include "archive/PackedStream.h"
#include "core/Crc32.h"
#include "core/Status.h"
#include "platform/FileOutput.h"
#include "rardll.h"
#include "unpack/Unpack29.h"

namespace {

struct Measure {
    uint64_t bytes = 0;
    bool complete = true; // every entry decoded without error
    std::string note;
};

struct Figure {
    double mbps = 0;
    Measure measure;
};

// Median over `runs`; each run repeats the work often enough to last about 20 ms, so that small
// archives are not timed below the clock's resolution.
Figure median(int runs, const std::function<Measure()>& work) {
    using Clock = std::chrono::steady_clock;
    auto time = [&](int reps, Measure& m) {
        const auto t0 = Clock::now();
        for (int i = 0; i < reps; ++i) {
            m = work();
        }
        return std::chrono::duration<double>(Clock::now() - t0).count() / reps;
    };
    Measure m;
    const double once = time(1, m);
    const int reps = once > 0 ? std::clamp(static_cast<int>(0.02 / once), 1, 10000) : 1;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        times.push_back(time(reps, m));
    }
    std::sort(times.begin(), times.end());
    const double t = times[times.size() / 2];
    return {t > 0 ? m.bytes / t / 1e6 : 0, m};
}

int CALLBACK countBytes(UINT msg, LPARAM user, LPARAM, LPARAM p2) {
    if (msg == UCM_PROCESSDATA) {
        *reinterpret_cast<uint64_t*>(user) += static_cast<uint64_t>(p2);
    }
    return msg == UCM_CHANGEVOLUME && p2 == RAR_VOL_ASK ? -1 : 1;
}

// Through the C interface, testing every entry (CRC checked). Output of an entry that fails counts up
// to the failure.
Measure ours(const std::string& path) {
    Measure m;
    RAROpenArchiveDataEx open{};
    open.ArcName = const_cast<char*>(path.c_str());
    open.OpenMode = RAR_OM_EXTRACT;
    open.Callback = countBytes;
    open.UserData = reinterpret_cast<LPARAM>(&m.bytes);
    HANDLE h = RAROpenArchiveEx(&open);
    if (!h) {
        m.complete = false;
        m.note = "open failed";
        return m;
    }
    RARHeaderDataEx header{};
    while (RARReadHeaderEx(h, &header) == ERAR_SUCCESS) {
        const int rc = RARProcessFile(h, RAR_TEST, nullptr, nullptr);
        if (rc != ERAR_SUCCESS && m.complete) {
            m.complete = false;
            m.note = std::string(header.FileName) + ": " + rarlib::statusName(rc);
        }
    }
    RARCloseArchive(h);
    return m;
}

Measure libarchive(const std::string& path) {
    Measure m;
    archive* a = archive_read_new();
    archive_read_support_format_rar(a);
    if (archive_read_open_filename(a, path.c_str(), 1 << 20) != ARCHIVE_OK) {
        m.complete = false;
        m.note = archive_error_string(a) ? archive_error_string(a) : "open failed";
        archive_read_free(a);
        return m;
    }
    archive_entry* entry;
    int rc;
    while ((rc = archive_read_next_header(a, &entry)) == ARCHIVE_OK) {
        const void* buf;
        size_t size;
        la_int64_t offset;
        int r;
        while ((r = archive_read_data_block(a, &buf, &size, &offset)) == ARCHIVE_OK) {
            m.bytes += size;
        }
        if (r != ARCHIVE_EOF) {
            m.complete = false;
            m.note = archive_error_string(a) ? archive_error_string(a) : "data error";
            break;
        }
    }
    if (rc != ARCHIVE_EOF && rc != ARCHIVE_OK && m.complete) {
        m.complete = false;
        m.note = archive_error_string(a) ? archive_error_string(a) : "header error";
    }
    archive_read_free(a);
    return m;
}

// Archives of the test data with at least kMinLzBytes of output from the 2.9 LZ method (smaller ones
// time little more than opening the file), from the manifest's feature column.
constexpr uint64_t kMinLzBytes = 32 * 1024;

std::vector<std::string> defaultArchives() {
    const std::string dir = RARLIB_TESTDATA_DIR;
    std::vector<std::pair<std::string, uint64_t>> lzBytes;
    std::ifstream manifest(dir + "/rar/manifest.tsv");
    std::string line;
    while (std::getline(manifest, line)) {
        std::vector<std::string> f;
        std::istringstream in(line);
        for (std::string field; std::getline(in, field, '\t');) {
            f.push_back(field);
        }
        if (f.size() < 8 || f[1] == "*" || f[6] != "ok" || f[3] == "-") {
            continue;
        }
        const std::string& features = f[7];
        if (features.find(",LZ") == std::string::npos || features.find("v2.9") == std::string::npos) {
            continue;
        }
        const std::string path = dir + "/rar/" + f[0];
        auto it =
            std::find_if(lzBytes.begin(), lzBytes.end(), [&](const auto& e) { return e.first == path; });
        if (it == lzBytes.end()) {
            lzBytes.emplace_back(path, 0);
            it = lzBytes.end() - 1;
        }
        it->second += std::stoull(f[3]);
    }
    std::vector<std::string> out;
    for (const auto& [path, bytes] : lzBytes) {
        if (bytes >= kMinLzBytes) {
            out.push_back(path);
        }
    }
    out.push_back(dir + "/rar-large/alpine_lzss.rar");
    return out;
}

void printFigure(const char* label, const Figure& f) {
    std::printf("  %-38s %9.1f MB/s  (%.2f MB%s)\n", label, f.mbps, f.measure.bytes / 1e6,
                f.measure.complete ? "" : ", stopped early");
    if (!f.measure.note.empty()) {
        std::printf("  %-38s %s\n", "", f.measure.note.c_str());
    }
}

void printRatio(const Figure& ours, const Figure& ref) {
    if (ref.mbps > 0 && ours.measure.bytes > 0) {
        std::printf("  %-38s %9.2f\n", "ratio to libarchive", ours.mbps / ref.mbps);
    }
}

} // namespace

int main(int argc, char** argv) {
    int runs = 7;
    std::vector<std::string> archives;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-n") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            archives.emplace_back(argv[i]);
        }
    }
    if (archives.empty()) {
        archives = defaultArchives();
    }
    std::printf("rarbench: median of %d runs, MB/s of unpacked output (1 MB = 10^6 bytes), CRC32 computed by "
                "both\n",
                runs);
    for (const auto& path : archives) {
        std::printf("\n%s\n", std::filesystem::path(path).filename().string().c_str());
        const Figure ref = median(runs, [&] { return libarchive(path); });
        printFigure("libarchive", ref);
        const Figure mine = median(runs, [&] { return ours(path); });
        printFigure("rarlib (C interface, CRC verified)", mine);
        printRatio(mine, ref);
    }
    return 0;
}
