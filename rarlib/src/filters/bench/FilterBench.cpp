// Throughput of writing decoded data through each standard filter, against writing the same window
// bytes unfiltered in the same run (the copy every extraction pays anyway). Blocks of 64 KB for the
// x86 filters and 32 KB for the others, as the archiver uses them.
#include "FilterTestKit.h"

#include "filters/WriteBorder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>

using namespace rarlib::filters;
using namespace rarlib::filters::testing;

namespace {

constexpr size_t kWindow = size_t{4} << 20;
constexpr size_t kTotal = size_t{64} << 20; // bytes written per measurement

double bestOf(int rounds, const std::function<void()>& fn) {
    double best = 1e9;
    for (int i = 0; i < rounds; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        fn();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    return best;
}

// Streams kTotal bytes out of a 4 MB window, with a filter on every block when `type` is set.
double run(const std::vector<uint8_t>& window, const FilterType* type, uint32_t block, uint32_t r0,
           uint64_t& checksum) {
    return bestOf(3, [&] {
        FilterSet set;
        uint64_t written = 0;
        uint64_t sum = 0;
        // The output goes into a file buffer, as extraction's does.
        std::vector<uint8_t> buffer(1 << 16);
        size_t used = 0;
        auto sink = [&](const uint8_t* p, size_t n) {
            while (n > 0) {
                const size_t k = std::min(n, buffer.size() - used);
                std::memcpy(buffer.data() + used, p, k);
                used = (used + k) % buffer.size();
                p += k;
                n -= k;
            }
            sum += buffer[used / 2];
            return 0;
        };
        const WindowView view{window.data(), kWindow - 1};
        const std::vector<uint8_t> code = type ? forgeStandardCode(*type) : std::vector<uint8_t>{};
        for (uint64_t pos = 0; pos < kTotal; pos += block) {
            if (type) {
                RecordFields s; // the first record defines the filter, later ones reuse it
                s.number = set.knownFilters() == 0 ? 0 : 1;
                if (set.knownFilters() == 0) {
                    s.code = code;
                    s.length = block;
                }
                if (r0 != 0)
                    s.regs[0] = r0;
                const Record r = buildRecord(s);
                if (set.addRecord(r.first, r.body, pos, UINT64_MAX) != FilterStatus::Ok)
                    std::fprintf(stderr, "record refused\n");
            }
            if (flushThroughFilters(set, view, pos + block, written, 0, false, sink) != FilterStatus::Ok)
                std::fprintf(stderr, "flush failed\n");
        }
        checksum = sum;
    });
}

} // namespace

int main() {
    // Window contents: x86-like bytes with frequent CALLs.
    std::vector<uint8_t> window(kWindow);
    uint32_t seed = 1;
    for (auto& b : window) {
        seed = seed * 1103515245 + 12345;
        b = static_cast<uint8_t>((seed >> 16) % 16 == 0 ? 0xE8 : seed >> 20);
    }
    uint64_t sum = 0;
    const double plain = run(window, nullptr, 65536, 0, sum);
    const double mb = static_cast<double>(kTotal) / 1e6;
    std::printf("%-8s %8.0f MB/s (reference: window written unfiltered)\n", "none", mb / plain);
    const struct {
        const char* name;
        FilterType type;
        uint32_t block;
        uint32_t r0;
    } cases[] = {{"E8", FilterType::E8, 65536, 0},           {"E8E9", FilterType::E8E9, 65536, 0},
                 {"ITANIUM", FilterType::Itanium, 65536, 0}, {"DELTA", FilterType::Delta, 32768, 4},
                 {"RGB", FilterType::Rgb, 32766, 3 * 640},   {"AUDIO", FilterType::Audio, 32768, 2}};
    for (const auto& c : cases) {
        const double t = run(window, &c.type, c.block, c.r0, sum);
        std::printf("%-8s %8.0f MB/s   %.2f x the unfiltered time\n", c.name, mb / t, t / plain);
    }
    return sum == 0;
}
