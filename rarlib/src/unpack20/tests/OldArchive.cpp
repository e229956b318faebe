#include "OldArchive.h"

#include <cstring>
#include <stdexcept>

namespace rarlib::testing {
namespace {

constexpr uint8_t kMarker[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};

uint32_t le(const std::vector<uint8_t>& d, size_t pos, int bytes) {
    if (pos + bytes > d.size()) {
        throw std::runtime_error("archive truncated");
    }
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = (v << 8) | d[pos + i];
    }
    return v;
}

// An old comment block (type 0x75) embedded at `pos`, ending at or before `end`.
PackedItem readComment(const std::vector<uint8_t>& d, size_t pos, size_t end) {
    const uint32_t size = le(d, pos + 5, 2);
    if (d.at(pos + 2) != 0x75 || size < 13 || pos + size > end) {
        throw std::runtime_error("bad embedded comment");
    }
    PackedItem c;
    c.unpSize = le(d, pos + 7, 2);
    c.unpVer = d[pos + 9];
    c.method = d[pos + 10];
    c.crc = le(d, pos + 11, 2);
    c.packed.assign(d.begin() + pos + 13, d.begin() + pos + size);
    return c;
}

} // namespace

OldArchive readOldArchive(const std::vector<uint8_t>& d) {
    if (d.size() < 7 || std::memcmp(d.data(), kMarker, 7) != 0) {
        throw std::runtime_error("no marker block");
    }
    OldArchive a;
    size_t pos = 7;
    while (pos + 7 <= d.size()) {
        const uint8_t type = d[pos + 2];
        const uint16_t flags = static_cast<uint16_t>(le(d, pos + 3, 2));
        const size_t headSize = le(d, pos + 5, 2);
        if (headSize < 7 || pos + headSize > d.size()) {
            throw std::runtime_error("bad block header");
        }
        size_t next = pos + headSize;
        if (type == 0x73 && (flags & 0x0002)) {
            a.comment = readComment(d, pos + 13, next);
        } else if (type == 0x74) {
            PackedItem e;
            uint64_t packSize = le(d, pos + 7, 4);
            e.unpSize = le(d, pos + 11, 4);
            e.crc = le(d, pos + 16, 4);
            e.unpVer = d[pos + 24];
            e.method = d[pos + 25];
            const size_t nameSize = le(d, pos + 26, 2);
            size_t nameAt = pos + 32;
            if (flags & 0x0100) {
                packSize |= uint64_t{le(d, pos + 32, 4)} << 32;
                e.unpSize |= uint64_t{le(d, pos + 36, 4)} << 32;
                nameAt += 8;
            }
            if (nameAt + nameSize > next || packSize > d.size() - next) {
                throw std::runtime_error("entry runs past the archive");
            }
            e.packed.assign(d.begin() + next, d.begin() + next + packSize);
            next += packSize;
            a.entries.push_back(std::move(e));
        } else if (type == 0x7A || (flags & 0x8000)) {
            next += le(d, pos + 7, 4);
        }
        if (type == 0x7B) {
            break;
        }
        pos = next;
    }
    return a;
}

} // namespace rarlib::testing
