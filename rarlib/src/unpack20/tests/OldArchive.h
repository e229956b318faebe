// Test-side access to archives made by old RAR versions: the packed data of each entry and of the
// comments embedded in the main and file headers (which old versions may pack too), plus a writer of
// small archives around packed streams for handing them to other readers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rarlib::testing {

std::string testDataPath(const std::string& relative);
std::vector<uint8_t> readFile(const std::string& path);

// A stored stream: an entry's data or an embedded comment's.
struct PackedItem {
    std::string name; // entry name, or "<comment>" / "<comment:NAME>"
    uint16_t flags = 0;
    uint8_t unpVer = 0;
    uint8_t method = 0;
    uint64_t unpSize = 0;
    uint32_t crc = 0; // CRC32 of the content; for comments only the low 16 bits are stored
    bool crc16 = false;
    std::vector<uint8_t> packed;
};

struct OldArchive {
    uint16_t mainFlags = 0;
    std::optional<PackedItem> comment;
    std::vector<PackedItem> entries;
    std::vector<PackedItem> fileComments;
};

// Walks the blocks without checking header CRCs; throws on a structure it cannot follow.
OldArchive readOldArchive(const std::vector<uint8_t>& archive);

struct ManifestRow {
    uint64_t size = 0;
    uint32_t crc = 0;
    std::string sha256;
};
std::optional<ManifestRow> manifestRow(const std::string& archive, int index);

std::string sha256Of(const std::vector<uint8_t>& data);
uint32_t crcOf(const std::vector<uint8_t>& data);

// One file of an archive to write: `packed` is `content` packed with unpack version `unpVer`.
struct ArchiveFile {
    std::string name;
    std::vector<uint8_t> content;
    std::vector<uint8_t> packed;
    bool solid = false; // continues the previous file's stream
};
std::vector<uint8_t> writeArchive(const std::vector<ArchiveFile>& files, uint8_t unpVer, bool solidArchive);

} // namespace rarlib::testing
