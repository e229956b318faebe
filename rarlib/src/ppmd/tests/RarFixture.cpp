#include "RarFixture.h"

#include "Sha256.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#ifndef RARLIB_TESTDATA_DIR
#error "RARLIB_TESTDATA_DIR must name the shared test data folder"
#endif

namespace rarlib::testing {

std::string testDataPath(const std::string& relative) {
    return std::string(RARLIB_TESTDATA_DIR) + "/" + relative;
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f)
        throw std::runtime_error("cannot open " + path);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

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

std::optional<ManifestRow> manifestRow(const std::string& manifestPath, const std::string& archive, int idx) {
    std::ifstream f(manifestPath);
    std::string line;
    while (std::getline(f, line)) {
        std::vector<std::string> cols;
        std::stringstream ss(line);
        for (std::string c; std::getline(ss, c, '\t');)
            cols.push_back(c);
        if (cols.size() >= 6 && cols[0] == archive && cols[1] == std::to_string(idx))
            return ManifestRow{std::stoull(cols[3]), cols[5]};
    }
    return std::nullopt;
}

uint32_t crc32(const std::vector<uint8_t>& data) {
    uint32_t c = 0xFFFFFFFFu;
    for (uint8_t b : data) {
        c ^= b;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    }
    return ~c;
}

namespace {

void putLe(std::vector<uint8_t>& v, uint64_t x, int bytes) {
    for (int i = 0; i < bytes; ++i)
        v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

// Prepends the header CRC (low 16 bits of the CRC32 of the rest of the header).
std::vector<uint8_t> withHeaderCrc(const std::vector<uint8_t>& rest) {
    std::vector<uint8_t> h;
    putLe(h, crc32(rest) & 0xFFFF, 2);
    h.insert(h.end(), rest.begin(), rest.end());
    return h;
}

} // namespace

std::vector<uint8_t> makeRarArchive(const std::string& name, const std::vector<uint8_t>& packed,
                                    const std::vector<uint8_t>& content) {
    std::vector<uint8_t> a = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
    std::vector<uint8_t> main = {0x73, 0x00, 0x00, 13, 0};
    putLe(main, 0, 6);
    const auto mainHeader = withHeaderCrc(main);
    a.insert(a.end(), mainHeader.begin(), mainHeader.end());

    std::vector<uint8_t> file = {0x74};
    putLe(file, 0x8000 | 0xC0, 2); // data follows; 4 MB dictionary
    putLe(file, static_cast<uint32_t>(32 + name.size()), 2);
    putLe(file, static_cast<uint32_t>(packed.size()), 4);
    putLe(file, static_cast<uint32_t>(content.size()), 4);
    file.push_back(2); // Win32
    putLe(file, crc32(content), 4);
    putLe(file, 0x3C212000, 4); // 2010-01-01
    file.push_back(29);
    file.push_back(0x35);
    putLe(file, static_cast<uint32_t>(name.size()), 2);
    putLe(file, 0x20, 4);
    file.insert(file.end(), name.begin(), name.end());
    const auto fileHeader = withHeaderCrc(file);
    a.insert(a.end(), fileHeader.begin(), fileHeader.end());
    a.insert(a.end(), packed.begin(), packed.end());

    const uint8_t end[] = {0xC4, 0x3D, 0x7B, 0x00, 0x40, 0x07, 0x00};
    a.insert(a.end(), std::begin(end), std::end(end));
    return a;
}

std::string sha256Hex(const std::vector<uint8_t>& data) {
    return rarlib::sha256Hex(data);
}

} // namespace rarlib::testing
