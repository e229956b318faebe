#include "OldArchive.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include "Sha256.h"
#include "core/Crc32.h"

#ifndef RARLIB_TESTDATA_DIR
#error "RARLIB_TESTDATA_DIR must name the shared test data folder"
#endif

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

void put16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}

void put32(std::vector<uint8_t>& v, uint32_t x) {
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}

// Fills in HEAD_CRC (low half of the CRC32 of the rest of the header).
void sealHeader(std::vector<uint8_t>& h) {
    const uint32_t crc = crc32(std::span<const uint8_t>(h.data() + 2, h.size() - 2));
    h[0] = static_cast<uint8_t>(crc);
    h[1] = static_cast<uint8_t>(crc >> 8);
}

} // namespace

std::string testDataPath(const std::string& relative) {
    return std::string(RARLIB_TESTDATA_DIR) + "/" + relative;
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        throw std::runtime_error("cannot open " + path);
    }
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

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

std::optional<ManifestRow> manifestRow(const std::string& archive, int index) {
    std::ifstream f(testDataPath("rar/manifest.tsv"));
    std::string line;
    while (std::getline(f, line)) {
        std::vector<std::string> cols;
        std::stringstream ss(line);
        for (std::string c; std::getline(ss, c, '\t');) {
            cols.push_back(c);
        }
        if (cols.size() >= 6 && cols[0] == archive && cols[1] == std::to_string(index)) {
            return ManifestRow{std::stoull(cols[3]), cols[5]};
        }
    }
    return std::nullopt;
}

std::vector<uint8_t> writeArchive(const std::vector<ArchiveFile>& files, uint8_t unpVer, bool solidArchive) {
    std::vector<uint8_t> out(kMarker, kMarker + 7);
    std::vector<uint8_t> main = {0, 0, 0x73};
    put16(main, solidArchive ? 0x0008 : 0);
    put16(main, 13);
    put16(main, 0);
    put32(main, 0);
    sealHeader(main);
    out.insert(out.end(), main.begin(), main.end());
    for (const ArchiveFile& f : files) {
        std::vector<uint8_t> h = {0, 0, 0x74};
        // 1 MiB dictionary bits, the solid flag where the stream continues.
        put16(h, 0x8000 | 0x0080 | (f.solid ? 0x0010 : 0));
        put16(h, static_cast<uint32_t>(32 + f.name.size()));
        put32(h, static_cast<uint32_t>(f.packed.size()));
        put32(h, static_cast<uint32_t>(f.content.size()));
        h.push_back(2); // Win32 host
        put32(h, crc32(f.content));
        put32(h, 0x3C212000); // 2010-01-01 00:00:00
        h.push_back(unpVer);
        h.push_back(0x33);
        put16(h, static_cast<uint32_t>(f.name.size()));
        put32(h, 0x20);
        h.insert(h.end(), f.name.begin(), f.name.end());
        sealHeader(h);
        out.insert(out.end(), h.begin(), h.end());
        out.insert(out.end(), f.packed.begin(), f.packed.end());
    }
    return out;
}

} // namespace rarlib::testing
