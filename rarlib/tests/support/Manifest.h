#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rarlib::test {

// One row of testdata/rar/manifest.tsv (see its README for the columns).
struct ManifestRow {
    std::string archive;
    int index = -1; // -1 for the archive-level row
    std::string entry;
    std::optional<uint64_t> size;
    std::string crc32;
    std::string sha256;
    std::string expected;
    std::string features;
    std::string notes;

    bool hasFeature(std::string_view prefix) const;
};

struct ManifestArchive {
    std::string archive;
    std::string path; // of the archive (its first volume), beside the manifest
    std::vector<ManifestRow> entries;
    ManifestRow summary;
};

std::string testDataDir();
std::string fixturePath(std::string_view name); // in testdata/rar
std::vector<ManifestArchive> loadManifest(const std::string& path);
std::vector<ManifestArchive> loadFixtureManifest();
// testdata/rar-large: archives too big to run under every test (the benchmark's realistic case).
std::vector<ManifestArchive> loadLargeManifest();
// An archive of either manifest by name; throws if neither lists it.
const ManifestArchive& findManifestArchive(std::string_view name);
// Entry `index` of a testdata/rar archive, or null when the manifest has no such row.
const ManifestRow* findManifestEntry(std::string_view archive, int index);
std::vector<uint8_t> readFile(const std::string& path);

} // namespace rarlib::test
