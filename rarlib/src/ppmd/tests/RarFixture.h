// Test-side access to the real archives of the shared test data: the packed data of one entry
// (found by walking the block headers) and its expected content from manifest.tsv.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rarlib::testing {

std::string testDataPath(const std::string& relative);
std::vector<uint8_t> readFile(const std::string& path);

struct RarEntry {
    std::string name; // as stored, '\' separators
    uint16_t flags = 0;
    uint8_t unpackVersion = 0;
    uint8_t method = 0;
    uint64_t unpackedSize = 0;
    uint32_t crc = 0;
    std::vector<uint8_t> packed;
    bool truncated = false; // the archive ends inside this entry's data
};

// The file entries of an archive in order (no CRC checks, just the block walk).
std::vector<RarEntry> readRarEntries(const std::vector<uint8_t>& archive);

struct ManifestRow {
    uint64_t size = 0;
    std::string sha256; // lower-case hex
};
// The row of `archive` with entry index `idx` in the manifest next to the archive.
std::optional<ManifestRow> manifestRow(const std::string& manifestPath, const std::string& archive, int idx);

std::string sha256Hex(const std::vector<uint8_t>& data);
uint32_t crc32(const std::vector<uint8_t>& data);

// A one-entry 2.9 archive holding `packed` as the compressed data of `content` (unpack version 29,
// best method, 4 MB dictionary), for handing to another reader.
std::vector<uint8_t> makeRarArchive(const std::string& name, const std::vector<uint8_t>& packed,
                                    const std::vector<uint8_t>& content);

} // namespace rarlib::testing
