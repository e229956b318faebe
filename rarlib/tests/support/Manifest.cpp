#include "support/Manifest.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#include <filesystem>

#include "tests/support/TestPaths.h"
#endif

namespace rarlib::test {
namespace {

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> out;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, '\t')) {
        out.push_back(field);
    }
    return out;
}

} // namespace

bool ManifestRow::hasFeature(std::string_view prefix) const {
    size_t start = 0;
    while (start <= features.size()) {
        size_t end = features.find(',', start);
        if (end == std::string::npos) {
            end = features.size();
        }
        if (std::string_view(features).substr(start, end - start).starts_with(prefix)) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

std::string testDataDir() {
#ifdef _WIN32
    return std::filesystem::path(zarvo::testing::WinePath(RARLIB_TESTDATA_DIR)).string();
#else
    return RARLIB_TESTDATA_DIR;
#endif
}

std::string fixturePath(std::string_view name) {
#ifdef _WIN32
    return testDataDir() + "\\rar\\" + std::string(name);
#else
    return testDataDir() + "/rar/" + std::string(name);
#endif
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<ManifestArchive> loadManifest(const std::string& path) {
    const std::string dir = path.substr(0, path.find_last_of("/\\") + 1);
    std::ifstream in(path);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::vector<ManifestArchive> archives;
    std::string line;
    std::getline(in, line); // column names
    while (std::getline(in, line)) {
        const auto f = splitTabs(line);
        if (f.size() < 11) {
            continue;
        }
        ManifestRow row;
        row.archive = f[0];
        row.index = f[1] == "*" ? -1 : std::stoi(f[1]);
        row.entry = f[2];
        if (f[3] != "-") {
            row.size = std::stoull(f[3]);
        }
        row.crc32 = f[4];
        row.sha256 = f[5];
        row.expected = f[6];
        row.features = f[7];
        row.notes = f[10];
        if (archives.empty() || archives.back().archive != row.archive) {
            archives.push_back(ManifestArchive{row.archive, dir + row.archive, {}, {}});
        }
        if (row.index < 0) {
            archives.back().summary = row;
        } else {
            archives.back().entries.push_back(row);
        }
    }
    return archives;
}

std::vector<ManifestArchive> loadFixtureManifest() {
    return loadManifest(fixturePath("manifest.tsv"));
}

std::vector<ManifestArchive> loadLargeManifest() {
#ifdef _WIN32
    return loadManifest(testDataDir() + "\\rar-large\\manifest.tsv");
#else
    return loadManifest(testDataDir() + "/rar-large/manifest.tsv");
#endif
}

const ManifestArchive& findManifestArchive(std::string_view name) {
    static const std::vector<std::vector<ManifestArchive>> lists = {loadFixtureManifest(),
                                                                    loadLargeManifest()};
    for (const auto& list : lists) {
        for (const auto& a : list) {
            if (a.archive == name) {
                return a;
            }
        }
    }
    throw std::runtime_error("not in a manifest: " + std::string(name));
}

const ManifestRow* findManifestEntry(std::string_view archive, int index) {
    static const std::vector<ManifestArchive> archives = loadFixtureManifest();
    for (const auto& a : archives) {
        if (a.archive != archive) {
            continue;
        }
        for (const auto& row : a.entries) {
            if (row.index == index) {
                return &row;
            }
        }
    }
    return nullptr;
}

} // namespace rarlib::test
