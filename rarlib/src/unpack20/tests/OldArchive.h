// Test-side access to archives made by old RAR versions: the packed data of each entry and of the
// main header's embedded comment (which old versions may pack too).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "unpack/ByteSource.h"

namespace rarlib::testing {

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

} // namespace rarlib::testing
