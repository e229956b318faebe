// PPMd decoding speed against libarchive in the same run, on the archiver's best-compression test
// entry and on an installer-like payload (a tar of a small Linux system, packed by the test
// encoder with the archiver's "best" model: order 8, 25 MB). Prints MB/s of output.
#include "PpmStream.h"
#include "PpmdTestEncoder.h"
#include "RarFixture.h"

#include <archive.h>
#include <archive_entry.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

using namespace rarlib::testing;

namespace {

// The first entry's content as libarchive reads it from memory.
std::vector<uint8_t> libarchiveRead(const std::vector<uint8_t>& archive, int index) {
    struct archive* a = archive_read_new();
    archive_read_support_format_rar(a);
    std::vector<uint8_t> out;
    struct archive_entry* e = nullptr;
    if (archive_read_open_memory(a, archive.data(), archive.size()) == ARCHIVE_OK) {
        for (int i = 0; archive_read_next_header(a, &e) == ARCHIVE_OK; ++i) {
            if (i != index)
                continue;
            uint8_t buf[1 << 16];
            la_ssize_t n;
            while ((n = archive_read_data(a, buf, sizeof buf)) > 0)
                out.insert(out.end(), buf, buf + n);
            break;
        }
    }
    archive_read_free(a);
    return out;
}

// Best time of `rounds` runs of `fn`, in seconds.
double bestOf(int rounds, const std::function<void()>& fn) {
    double best = 1e9;
    for (int i = 0; i < rounds; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        fn();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

void report(const char* what, size_t bytes, int repeat, double ours, double reference) {
    const double mb = static_cast<double>(bytes) * repeat / 1e6;
    std::printf("%-34s %8.1f MB/s   libarchive %8.1f MB/s   ratio %.2f\n", what, mb / ours, mb / reference,
                reference / ours);
}

bool compare(const char* what, const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a == b)
        return true;
    std::fprintf(stderr, "%s: outputs differ (%zu vs %zu bytes)\n", what, a.size(), b.size());
    return false;
}

} // namespace

int main() {
    bool ok = true;

    // 1. The archiver's own PPM entry (20 KB of HTML, order 8, 25 MB), many times over.
    const std::vector<uint8_t> best = readFile(testDataPath("rar/test_read_format_rar_compress_best.rar"));
    const std::vector<RarEntry> entries = readRarEntries(best);
    const RarEntry& entry = entries.at(0);
    const std::vector<uint8_t> want = libarchiveRead(best, 0);
    rarlib::ppmd::PpmdModel model;
    std::vector<uint8_t> ours;
    const int repeat = 200;
    const double tOurs = bestOf(3, [&] {
        for (int i = 0; i < repeat; ++i) {
            model.reset();
            ours = decodePpmEntry(model, entry.packed, entry.unpackedSize + 1).output;
        }
    });
    const double tRef = bestOf(3, [&] {
        for (int i = 0; i < repeat; ++i)
            libarchiveRead(best, 0);
    });
    ok &= compare("best-compression entry", ours, want);
    report("best-compression entry (20 KB)", want.size(), repeat, tOurs, tRef);

    // 2. An installer-like payload: executables, libraries and text.
    const std::vector<uint8_t> payload =
        libarchiveRead(readFile(testDataPath("rar-large/alpine_lzss.rar")), 0);
    PpmdTestEncoder enc;
    enc.startBlock(true, 8, 25);
    for (uint8_t b : payload)
        enc.literal(b);
    enc.endFile();
    const std::vector<uint8_t> archive = makeRarArchive("alpine.tar", enc.output(), payload);
    const double tBig = bestOf(3, [&] {
        model.reset();
        ours = decodePpmEntry(model, enc.output(), payload.size() + 1).output;
    });
    std::vector<uint8_t> theirs;
    const double tBigRef = bestOf(3, [&] { theirs = libarchiveRead(archive, 0); });
    ok &= compare("payload", ours, payload) && compare("payload (libarchive)", theirs, payload);
    std::printf("payload: %zu bytes packed to %zu (%d model restarts)\n", payload.size(), enc.output().size(),
                enc.restarts());
    report("payload (8 MB tar, order 8, 25 MB)", payload.size(), 1, tBig, tBigRef);
    std::printf("model heap %u MB\n", model.heapSize() >> 20);
    return ok ? 0 : 1;
}
