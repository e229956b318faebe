// rarbench: extraction throughput (MB/s of unpacked output, median of several runs) and peak memory of
// this library and of libarchive on the same archives, in the same run. Two throughputs: "warm", the
// archive extracted over and over in one process, and "fresh", one extraction in a new process each
// time (as the installer does it; the allocator and caches start cold for both readers).
//   rarbench [-n RUNS] [ARCHIVE...]
// Without arguments: the test data's 2.9 archives with LZ, PPMd, filtered and solid entries,
// rar-large/alpine_lzss.rar, and a larger PPMd archive made for the run (PpmdSample.h).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "BenchReaders.h"
#include "FreshProcess.h"
#include "PpmdSample.h"

namespace {

using rarbench::Measure;

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

struct BenchArchive {
    std::string path;
    std::string kind; // what the decoder meets: LZ, PPMd, filters, solid
    std::string name; // shown instead of the file name
};

// Archives with at least kMinBytes of 2.9 compressed output (smaller ones time little more than opening
// the file), and every one with filters or solid entries, from the manifests' feature columns.
constexpr uint64_t kMinBytes = 32 * 1024;
// Content of the made PPMd archive: enough to time the model at work, small enough for many runs.
constexpr size_t kSampleBytes = 1 << 20;

void addFromManifest(const std::string& dir, std::vector<BenchArchive>& out) {
    struct Seen {
        std::string path;
        uint64_t bytes = 0;
        bool lz = false, ppmd = false, filters = false, solid = false;
    };
    std::vector<Seen> seen;
    std::ifstream manifest(dir + "/manifest.tsv");
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
        const bool lz = features.find(",LZ") != std::string::npos;
        const bool ppmd = features.find(",PPMd") != std::string::npos;
        if (features.find("v2.9") == std::string::npos || !(lz || ppmd)) {
            continue;
        }
        const std::string path = dir + "/" + f[0];
        auto it = std::find_if(seen.begin(), seen.end(), [&](const Seen& s) { return s.path == path; });
        if (it == seen.end()) {
            seen.push_back(Seen{path});
            it = seen.end() - 1;
        }
        it->bytes += std::stoull(f[3]);
        it->lz |= lz;
        it->ppmd |= ppmd;
        it->filters |= features.find("filters=") != std::string::npos;
        it->solid |= features.find("solid-continuation") != std::string::npos;
    }
    for (const Seen& s : seen) {
        if (s.bytes < kMinBytes && !s.filters && !s.solid) {
            continue;
        }
        std::string kind = s.lz && s.ppmd ? "LZ+PPMd" : s.ppmd ? "PPMd" : "LZ";
        if (s.filters) {
            kind += ", filters";
        }
        if (s.solid) {
            kind += ", solid";
        }
        out.push_back({s.path, kind, ""});
    }
}

std::vector<BenchArchive> defaultArchives() {
    std::vector<BenchArchive> out;
    addFromManifest(std::string(RARLIB_TESTDATA_DIR) + "/rar", out);
    addFromManifest(std::string(RARLIB_TESTDATA_DIR) + "/rar-large", out);
    return out;
}

std::string megabytes(std::optional<long long> bytes) {
    if (!bytes) {
        return "-";
    }
    char text[32];
    std::snprintf(text, sizeof(text), "%.1f MB", *bytes / 1e6);
    return text;
}

std::string fixed(std::optional<double> v, const char* format) {
    if (!v) {
        return "-";
    }
    char text[32];
    std::snprintf(text, sizeof(text), format, *v);
    return text;
}

// Median throughput and peak memory of `runs` fresh processes; nullopt when the reader fails.
struct FreshFigure {
    std::optional<double> mbps;
    std::optional<long long> peak;
};

FreshFigure fresh(int runs, const std::string& reader, const std::string& path) {
    std::vector<double> rates;
    std::vector<long long> peaks;
    for (int i = 0; i < runs; ++i) {
        const auto run = rarbench::runFresh(reader, path);
        if (!run) {
            return {};
        }
        rates.push_back(run->seconds > 0 ? run->bytes / run->seconds / 1e6 : 0);
        peaks.push_back(run->peakBytes);
    }
    std::sort(rates.begin(), rates.end());
    std::sort(peaks.begin(), peaks.end());
    return {rates[rates.size() / 2], peaks[peaks.size() / 2]};
}

struct Reader {
    Figure warm;
    FreshFigure fresh;
};

struct Row {
    std::string name;
    std::string kind;
    Reader ours;
    Reader ref;
};

std::optional<double> warmRate(const Reader& r) {
    return r.warm.measure.complete ? std::optional<double>(r.warm.mbps) : std::nullopt;
}

std::optional<double> ratio(std::optional<double> ours, std::optional<double> ref) {
    if (!ours || !ref || *ref <= 0) {
        return std::nullopt;
    }
    return *ours / *ref;
}

void printReader(const char* label, const Reader& r, std::optional<long long> idle) {
    std::string memory = megabytes(r.fresh.peak);
    if (r.fresh.peak && idle) {
        memory += " (+" + megabytes(*r.fresh.peak - *idle) + ")";
    }
    std::printf("  %-12s %10s %10s   %s\n", label, fixed(warmRate(r), "%.1f").c_str(),
                fixed(r.fresh.mbps, "%.1f").c_str(), memory.c_str());
    if (!r.warm.measure.note.empty()) {
        std::printf("  %-12s %s\n", "", r.warm.measure.note.c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--fresh") == 0) {
        return rarbench::freshChild(argv[2], argv[3]);
    }
    int runs = 7;
    std::vector<BenchArchive> archives;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-n") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            archives.push_back({argv[i], "given", ""});
        }
    }
    std::string sample;
    if (archives.empty()) {
        archives = defaultArchives();
        sample = rarbench::writePpmdSample(std::string(RARLIB_TESTDATA_DIR) + "/rar-large/alpine_lzss.rar",
                                           kSampleBytes);
        if (!sample.empty()) {
            archives.push_back({sample, "PPMd, made here", "alpine.tar, 1st MB, PPMd"});
        }
    }
    std::printf("rarbench: median of %d runs, MB/s of unpacked output (1 MB = 10^6 bytes), CRC32 checked by "
                "both.\n"
                "warm: extracted over and over in this process; fresh: one extraction in a new process.\n"
                "Peak: maximum resident set of the fresh process; in brackets the part above a process that "
                "extracts nothing.\n",
                runs);
    const auto idle = fresh(1, "none", "-").peak;
    std::printf("Process that extracts nothing: %s\n", megabytes(idle).c_str());

    std::vector<Row> rows;
    for (const auto& a : archives) {
        Row r;
        r.name = a.name.empty() ? std::filesystem::path(a.path).filename().string() : a.name;
        r.kind = a.kind;
        r.ref.warm = median(runs, [&] { return rarbench::readWithLibarchive(a.path); });
        r.ref.fresh = fresh(runs, "libarchive", a.path);
        r.ours.warm = median(runs, [&] { return rarbench::readWithRarlib(a.path); });
        r.ours.fresh = fresh(runs, "rarlib", a.path);
        std::printf("\n%s (%s), %.2f MB\n  %-12s %10s %10s   %s\n", r.name.c_str(), r.kind.c_str(),
                    r.ours.warm.measure.bytes / 1e6, "", "warm MB/s", "fresh MB/s", "peak memory");
        printReader("libarchive", r.ref, idle);
        printReader("rarlib", r.ours, idle);
        std::printf("  %-12s %10s %10s\n", "ratio",
                    fixed(ratio(warmRate(r.ours), warmRate(r.ref)), "%.2f").c_str(),
                    fixed(ratio(r.ours.fresh.mbps, r.ref.fresh.mbps), "%.2f").c_str());
        rows.push_back(std::move(r));
    }

    std::printf("\n%-42s %-18s %21s %21s %19s\n", "", "", "warm MB/s", "fresh MB/s", "peak memory");
    std::printf("%-42s %-18s %7s %7s %5s %7s %7s %5s %9s %9s\n", "archive", "kind", "rarlib", "libarc",
                "ratio", "rarlib", "libarc", "ratio", "rarlib", "libarc");
    for (const Row& r : rows) {
        std::printf("%-42s %-18s %7s %7s %5s %7s %7s %5s %9s %9s\n", r.name.c_str(), r.kind.c_str(),
                    fixed(warmRate(r.ours), "%.1f").c_str(), fixed(warmRate(r.ref), "%.1f").c_str(),
                    fixed(ratio(warmRate(r.ours), warmRate(r.ref)), "%.2f").c_str(),
                    fixed(r.ours.fresh.mbps, "%.1f").c_str(), fixed(r.ref.fresh.mbps, "%.1f").c_str(),
                    fixed(ratio(r.ours.fresh.mbps, r.ref.fresh.mbps), "%.2f").c_str(),
                    megabytes(r.ours.fresh.peak).c_str(), megabytes(r.ref.fresh.peak).c_str());
    }
    if (!sample.empty()) {
        std::remove(sample.c_str());
    }
    // A failure of ours is a fault; libarchive not reading an archive is only noted.
    const bool allOurs =
        std::all_of(rows.begin(), rows.end(), [](const Row& r) { return r.ours.warm.measure.complete; });
    return allOurs ? 0 : 1;
}
