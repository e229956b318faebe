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
#include "platform/FileOutput.h"
#include "rardll.h"
#include "unpack/Unpack29.h"

namespace {

struct Measure {
    uint64_t bytes = 0;
    bool complete = true; // every entry decoded without error
    std::string note;
};

double seconds(const std::function<Measure()>& run, Measure& last) {
    const auto t0 = std::chrono::steady_clock::now();
    last = run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

struct Figure {
    double mbps = 0;
    Measure measure;
};

Figure median(int runs, const std::function<Measure()>& run) {
    std::vector<double> times;
    Measure m;
    for (int i = 0; i < runs; ++i) {
        times.push_back(seconds(run, m));
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
            m.note = std::string(header.FileName) + ": error " + std::to_string(rc);
        }
    }
    RARCloseArchive(h);
    return m;
}

class DropFilters final : public rarlib::FilterHandler {
public:
    rarlib::Status onFilterRecord(uint8_t, std::span<const uint8_t>, uint64_t) override {
        ++records;
        return rarlib::Status::Ok;
    }
    int records = 0;
};

class CountSink final : public rarlib::OutputSink {
public:
    rarlib::Status write(const uint8_t*, size_t size) override {
        bytes += size;
        return rarlib::Status::Ok;
    }
    uint64_t bytes = 0;
};

// The LZ decoder alone with filter records read and dropped: the output is not what the archive
// holds (filters are not applied), so only its amount is counted.
Measure oursFiltersDropped(const std::string& path) {
    Measure m;
    auto input = rarlib::nativeFileSystem().openInput(path);
    if (!input) {
        m.complete = false;
        return m;
    }
    rarlib::ArchiveReader reader(std::move(input), nullptr);
    if (reader.open() != rarlib::Status::Ok) {
        m.complete = false;
        return m;
    }
    rarlib::Unpack29 unpack;
    DropFilters filters;
    unpack.setFilterHandler(&filters);
    rarlib::FileHeader h;
    while (reader.nextFileHeader(h) == rarlib::Status::Ok) {
        if (h.isDirectory() || h.isStored() || h.unpVer != 29) {
            continue;
        }
        rarlib::PackedStream data(reader, h);
        CountSink sink;
        if (unpack.decodeEntry(data, h.unpSize, !h.unpSizeUnknown, reader.solid() && h.solid(), &sink) !=
            rarlib::Status::Ok) {
            m.complete = false;
        }
        m.bytes += sink.bytes;
    }
    m.note = std::to_string(filters.records) + " filter records dropped";
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

// Archives of the test data whose entries use the 2.9 LZ method, from the manifest's feature column.
std::vector<std::string> defaultArchives() {
    const std::string dir = RARLIB_TESTDATA_DIR;
    std::vector<std::string> out;
    std::ifstream manifest(dir + "/rar/manifest.tsv");
    std::string line;
    while (std::getline(manifest, line)) {
        std::vector<std::string> f;
        std::istringstream in(line);
        for (std::string field; std::getline(in, field, '\t');) {
            f.push_back(field);
        }
        if (f.size() < 8 || f[1] == "*" || f[6] != "ok") {
            continue;
        }
        const std::string& features = f[7];
        const bool lz =
            features.find(",LZ") != std::string::npos && features.find("v2.9") != std::string::npos;
        const std::string path = dir + "/rar/" + f[0];
        if (lz && std::find(out.begin(), out.end(), path) == out.end()) {
            out.push_back(path);
        }
    }
    out.push_back(dir + "/rar-large/alpine_lzss.rar");
    return out;
}

void print(const std::string& label, const Figure& ours, const Figure& ref) {
    std::printf("  %-34s %10.1f MB/s  (%7.2f MB%s)\n", label.c_str(), ours.mbps, ours.measure.bytes / 1e6,
                ours.measure.complete ? "" : ", incomplete");
    if (!ours.measure.note.empty()) {
        std::printf("  %-34s %s\n", "", ours.measure.note.c_str());
    }
    if (ref.mbps > 0) {
        std::printf("  %-34s %10.2f\n", "ratio ours / libarchive", ours.mbps / ref.mbps);
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
    std::printf("rarbench: median of %d runs, MB/s of unpacked output (1 MB = 10^6 bytes)\n", runs);
    for (const auto& path : archives) {
        std::printf("\n%s\n", std::filesystem::path(path).filename().string().c_str());
        const Figure ref = median(runs, [&] { return libarchive(path); });
        std::printf("  %-34s %10.1f MB/s  (%7.2f MB%s)\n", "libarchive", ref.mbps, ref.measure.bytes / 1e6,
                    ref.measure.complete ? "" : ", incomplete");
        if (!ref.measure.note.empty()) {
            std::printf("  %-34s %s\n", "", ref.measure.note.c_str());
        }
        const Figure mine = median(runs, [&] { return ours(path); });
        print("rarlib (C interface, CRC checked)", mine, ref);
        if (!mine.measure.complete) {
            const Figure lz = median(runs, [&] { return oursFiltersDropped(path); });
            print("rarlib LZ only, filters dropped", lz, ref);
        }
    }
    return 0;
}
