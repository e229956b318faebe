#include "RarFixture.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "support/ArchiveBuilder.h"

namespace rarlib::testing {

namespace {

uint32_t le(const std::vector<uint8_t>& d, size_t pos, int bytes) {
    if (pos + bytes > d.size())
        throw std::runtime_error("archive truncated");
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | d[pos + i];
    return v;
}

} // namespace

std::vector<RarEntry> readRarEntries(const std::vector<uint8_t>& archive) {
    static const uint8_t kMarker[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
    if (archive.size() < 7 || std::memcmp(archive.data(), kMarker, 7) != 0)
        throw std::runtime_error("not a RAR 2.9 archive");
    std::vector<RarEntry> entries;
    size_t pos = 7;
    while (pos + 7 <= archive.size()) {
        const uint8_t type = archive[pos + 2];
        const uint16_t flags = static_cast<uint16_t>(le(archive, pos + 3, 2));
        const uint32_t headSize = le(archive, pos + 5, 2);
        if (headSize < 7)
            throw std::runtime_error("bad block header");
        uint64_t next = pos + headSize;
        if (type == 0x74 || type == 0x7A) {
            uint64_t packSize = le(archive, pos + 7, 4);
            uint64_t unpSize = le(archive, pos + 11, 4);
            size_t nameAt = pos + 32;
            if (flags & 0x0100) {
                packSize |= uint64_t{le(archive, pos + 32, 4)} << 32;
                unpSize |= uint64_t{le(archive, pos + 36, 4)} << 32;
                nameAt += 8;
            }
            const uint32_t nameSize = le(archive, pos + 26, 2);
            if (next > archive.size() || nameAt + nameSize > archive.size())
                throw std::runtime_error("entry runs past the archive");
            // A truncated archive keeps what is there of its last entry's data.
            const uint64_t available = std::min<uint64_t>(packSize, archive.size() - next);
            if (type == 0x74) {
                RarEntry e;
                e.flags = flags;
                e.unpackedSize = unpSize;
                e.crc = le(archive, pos + 16, 4);
                e.unpackVersion = archive[pos + 24];
                e.method = archive[pos + 25];
                e.name.assign(archive.begin() + nameAt, archive.begin() + nameAt + nameSize);
                e.packed.assign(archive.begin() + next, archive.begin() + next + available);
                e.truncated = available != packSize;
                entries.push_back(std::move(e));
            }
            next += packSize;
        } else if (flags & 0x8000) {
            next += le(archive, pos + 7, 4);
        }
        if (type == 0x7B)
            break;
        pos = next;
    }
    return entries;
}

std::vector<uint8_t> makeRarArchive(const std::string& name, const std::vector<uint8_t>& packed,
                                    const std::vector<uint8_t>& content) {
    test::BuildEntry e = test::packedFile(name, content, packed, 29, 0x35);
    e.flags = 0xC0; // 4 MB dictionary
    return test::ArchiveBuilder().add(std::move(e)).build();
}

} // namespace rarlib::testing
