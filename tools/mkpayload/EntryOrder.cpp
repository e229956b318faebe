#include "EntryOrder.h"

#include "DataSource.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <deque>

namespace mkpayload {
namespace {

// One 8-byte string in 64 or more is sampled, chosen by its hash so that the same strings are
// sampled in every file: enough to see which files share their contents, and for a large product
// sparser, so that the samples stay within a few million.
constexpr unsigned kStringBytes = 8;
constexpr uint64_t kMinSampleSpacing = 64;
constexpr uint64_t kMostSamples = 4u << 20;

uint32_t HashOf(const uint8_t* at) {
    uint64_t v;
    std::memcpy(&v, at, sizeof v);
    return static_cast<uint32_t>((v * 0x9E3779B97F4A7C15ull) >> 32);
}

// The file's sampled strings' hashes, sorted, each once.
bool Sketch(const TProductFile& file, uint32_t sampleMask, std::vector<uint32_t>& sketch,
            std::string& error) {
    TFileSource source;
    if (!source.Open(file.path, error)) {
        return false;
    }
    std::vector<uint8_t> buffer(kStringBytes - 1 + (1 << 16));
    size_t carried = 0; // the last bytes of the previous read, which strings may start in
    for (;;) {
        size_t got = 0;
        if (!source.Read(std::span(buffer).subspan(carried), got, error)) {
            return false;
        }
        if (got == 0) {
            break;
        }
        const size_t filled = carried + got;
        for (size_t at = 0; at + kStringBytes <= filled; ++at) {
            if (const uint32_t h = HashOf(&buffer[at]); (h & sampleMask) == 0) {
                sketch.push_back(h);
            }
        }
        carried = std::min<size_t>(filled, kStringBytes - 1);
        std::memmove(buffer.data(), buffer.data() + filled - carried, carried);
    }
    std::sort(sketch.begin(), sketch.end());
    sketch.erase(std::unique(sketch.begin(), sketch.end()), sketch.end());
    return true;
}

} // namespace

bool OrderForCompression(std::vector<TProductFile>& files, uint64_t window, std::string& error) {
    const size_t n = files.size();
    uint64_t total = 0;
    for (const TProductFile& file : files) {
        total += file.size;
    }
    const auto sampleMask =
        static_cast<uint32_t>(std::bit_ceil(std::max(kMinSampleSpacing, total / kMostSamples)) - 1);
    // Each file's sampled strings as small numbers, and for each string the files that hold it.
    std::vector<std::pair<uint32_t, uint32_t>> samples; // hash, file
    for (size_t f = 0; f < n; ++f) {
        std::vector<uint32_t> sketch;
        if (!Sketch(files[f], sampleMask, sketch, error)) {
            error = files[f].path.string() + ": " + error;
            return false;
        }
        for (const uint32_t h : sketch) {
            samples.emplace_back(h, static_cast<uint32_t>(f));
        }
    }
    std::sort(samples.begin(), samples.end());
    std::vector<std::vector<uint32_t>> strings(n);
    std::vector<std::vector<uint32_t>> holders;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (i == 0 || samples[i].first != samples[i - 1].first) {
            holders.emplace_back();
        }
        holders.back().push_back(samples[i].second);
        strings[samples[i].second].push_back(static_cast<uint32_t>(holders.size() - 1));
    }
    samples = {};

    // inWindow[s]: how many files in the window hold string s; known[f]: how many of f's strings the
    // window holds. Both change only as files come into the window and leave it.
    std::vector<uint32_t> inWindow(holders.size(), 0);
    std::vector<uint64_t> known(n, 0);
    const auto enter = [&](size_t f) {
        for (const uint32_t s : strings[f]) {
            if (inWindow[s]++ == 0) {
                for (const uint32_t g : holders[s]) {
                    ++known[g];
                }
            }
        }
    };
    const auto leave = [&](size_t f) {
        for (const uint32_t s : strings[f]) {
            if (--inWindow[s] == 0) {
                for (const uint32_t g : holders[s]) {
                    --known[g];
                }
            }
        }
    };
    // Whether a is the better next file than b: the larger share of its strings known.
    const auto better = [&](size_t a, size_t b) {
        const uint64_t left = known[a] * std::max<size_t>(1, strings[b].size());
        const uint64_t right = known[b] * std::max<size_t>(1, strings[a].size());
        if (left != right) {
            return left > right;
        }
        return files[a].size != files[b].size ? files[a].size > files[b].size : a < b;
    };

    std::vector<size_t> order;
    std::vector<bool> placed(n, false);
    std::deque<size_t> windowFiles;
    uint64_t windowBytes = 0;
    for (size_t step = 0; step < n; ++step) {
        size_t next = n;
        for (size_t f = 0; f < n; ++f) {
            if (!placed[f] && (next == n || better(f, next))) {
                next = f;
            }
        }
        placed[next] = true;
        order.push_back(next);
        enter(next);
        windowFiles.push_back(next);
        windowBytes += files[next].size;
        // The window keeps the newest files that reach back `window` bytes.
        while (windowBytes - files[windowFiles.front()].size > window) {
            windowBytes -= files[windowFiles.front()].size;
            leave(windowFiles.front());
            windowFiles.pop_front();
        }
    }

    std::vector<TProductFile> ordered;
    ordered.reserve(n);
    for (const size_t f : order) {
        ordered.push_back(std::move(files[f]));
    }
    files = std::move(ordered);
    return true;
}

} // namespace mkpayload
