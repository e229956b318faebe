// Test-side access to archives made by old RAR versions: the packed data of each entry and of the
// main header's embedded comment (which old versions may pack too), plus a writer of small archives
// around packed streams for handing them to other readers.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "unpack/ByteSource.h"

namespace rarlib::testing {

std::string testDataPath(const std::string& relative);
std::vector<uint8_t> readFile(const std::string& path);

// A stored stream: an entry's data or an embedded comment's.
struct PackedItem {
    uint8_t unpVer = 0;
    uint8_t method = 0;
    uint64_t unpSize = 0;
    uint32_t crc = 0; // CRC32 of the content; for comments only the low 16 bits are stored
    std::vector<uint8_t> packed;
};

struct OldArchive {
    std::optional<PackedItem> comment;
    std::vector<PackedItem> entries;
};

// Walks the blocks without checking header CRCs; throws on a structure it cannot follow.
OldArchive readOldArchive(const std::vector<uint8_t>& archive);

struct ManifestRow {
    uint64_t size = 0;
    std::string sha256;
};
std::optional<ManifestRow> manifestRow(const std::string& archive, int index);

class VectorSink final : public OutputSink {
public:
    Status write(const uint8_t* data, size_t size) override {
        bytes.insert(bytes.end(), data, data + size);
        return Status::Ok;
    }
    std::vector<uint8_t> bytes;
};

// One entry of known size through either old decoder.
template <class Decoder>
Status decodeTo(Decoder& u, std::span<const uint8_t> packed, uint64_t size, bool solid,
                std::vector<uint8_t>& out) {
    MemorySource src(packed);
    VectorSink sink;
    const Status st = u.decodeEntry(src, size, true, solid, &sink);
    out = std::move(sink.bytes);
    return st;
}

// One file of an archive to write: `packed` is `content` packed with unpack version `unpVer`.
struct ArchiveFile {
    std::string name;
    std::vector<uint8_t> content;
    std::vector<uint8_t> packed;
    bool solid = false; // continues the previous file's stream
};
std::vector<uint8_t> writeArchive(const std::vector<ArchiveFile>& files, uint8_t unpVer, bool solidArchive);

} // namespace rarlib::testing
