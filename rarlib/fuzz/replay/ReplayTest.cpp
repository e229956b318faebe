// Runs every saved fuzz input once through its target, under the sanitizers of the native tests: a
// crash, a sanitizer report or a broken invariant fails the run. Inputs in pending/ are not read.
#include "FuzzTargets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Target {
    const char* folder;
    int (*run)(const uint8_t*, size_t);
};

const Target kTargets[] = {
    {"archive", rarfuzz::fuzzArchive},
    {"lz29", rarfuzz::fuzzLz29},
    {"ppmd", rarfuzz::fuzzPpmd},
    {"filters", rarfuzz::fuzzFilters},
};

std::vector<fs::path> inputs(const char* folder) {
    std::vector<fs::path> files;
    const fs::path dir = fs::path(RARFUZZ_CORPUS_DIR) / folder;
    if (fs::is_directory(dir))
        for (const auto& e : fs::directory_iterator(dir))
            if (e.is_regular_file() && e.path().filename().string()[0] != '.')
                files.push_back(e.path());
    std::sort(files.begin(), files.end());
    return files;
}

void PrintTo(const Target& t, std::ostream* os) {
    *os << t.folder;
}

class FuzzReplay : public ::testing::TestWithParam<Target> {};

TEST_P(FuzzReplay, EverySavedInputPasses) {
    const Target& t = GetParam();
    const std::vector<fs::path> files = inputs(t.folder);
    // An empty folder would make this test pass without running anything.
    ASSERT_FALSE(files.empty()) << "no saved inputs in corpus/" << t.folder;
    for (const fs::path& f : files) {
        std::ifstream in(f, std::ios::binary);
        const std::vector<uint8_t> data(std::istreambuf_iterator<char>(in), {});
        // Named before the run: a sanitizer report ends the process without a test failure message.
        std::fprintf(stderr, "replay %s/%s\n", t.folder, f.filename().c_str());
        EXPECT_EQ(t.run(data.data(), data.size()), 0) << f;
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay, ::testing::ValuesIn(kTargets),
                         [](const auto& info) { return std::string(info.param.folder); });

} // namespace
