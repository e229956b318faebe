#include "support/ArchiveBuilder.h"

#include <algorithm>

#include "core/Crc32.h"

namespace rarlib::test {
namespace {

void put16(std::vector<uint8_t>& v, uint32_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}

void put32(std::vector<uint8_t>& v, uint32_t x) {
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}

// Fills in HEAD_CRC and HEAD_SIZE of a block whose first 7 bytes are reserved.
void seal(std::vector<uint8_t>& block) {
    block[5] = static_cast<uint8_t>(block.size());
    block[6] = static_cast<uint8_t>(block.size() >> 8);
    const uint32_t crc = crc32(std::span<const uint8_t>(block).subspan(2)) & 0xFFFF;
    block[0] = static_cast<uint8_t>(crc);
    block[1] = static_cast<uint8_t>(crc >> 8);
}

std::vector<uint8_t> blockStart(uint8_t type, uint16_t flags) {
    std::vector<uint8_t> b = {0, 0, type};
    put16(b, flags);
    put16(b, 0);
    return b;
}

// Every character as a full 16-bit value (op 2), which any decoder of the form must accept.
std::vector<uint8_t> encodeWide(const std::u16string& name) {
    std::vector<uint8_t> out = {0}; // high byte
    for (size_t i = 0; i < name.size(); i += 4) {
        const size_t n = std::min<size_t>(4, name.size() - i);
        uint8_t flags = 0;
        for (size_t k = 0; k < n; ++k) {
            flags |= static_cast<uint8_t>(2u << (6 - 2 * k));
        }
        out.push_back(flags);
        for (size_t k = 0; k < n; ++k) {
            out.push_back(static_cast<uint8_t>(name[i + k]));
            out.push_back(static_cast<uint8_t>(name[i + k] >> 8));
        }
    }
    return out;
}

void append(std::vector<uint8_t>& out, const std::vector<uint8_t>& bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

std::vector<uint8_t> markerAndMain(uint16_t flags) {
    std::vector<uint8_t> out = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
    auto main = blockStart(0x73, flags);
    put16(main, 0);
    put32(main, 0);
    seal(main);
    append(out, main);
    return out;
}

std::vector<uint8_t> endBlock(bool nextVolume) {
    auto b = blockStart(0x7B, static_cast<uint16_t>(0x4000 | (nextVolume ? 1 : 0)));
    seal(b);
    return b;
}

uint32_t contentCrc(const BuildEntry& e) {
    return e.crc ? *e.crc : crc32(e.packed);
}

} // namespace

BuildEntry storedFile(std::string name, const std::string& content) {
    BuildEntry e;
    e.name = std::move(name);
    e.packed.assign(content.begin(), content.end());
    return e;
}

BuildEntry packedFile(std::string name, const std::vector<uint8_t>& content, std::vector<uint8_t> packed,
                      uint8_t unpVer, uint8_t method) {
    BuildEntry e;
    e.name = std::move(name);
    e.packed = std::move(packed);
    e.unpSize = content.size();
    e.crc = crc32(content);
    e.unpVer = unpVer;
    e.method = method;
    return e;
}

BuildEntry directoryEntry(std::string name) {
    BuildEntry e;
    e.name = std::move(name);
    e.flags = 0xE0;
    e.attr = 0x10;
    return e;
}

std::vector<uint8_t> fileHeaderBytes(const BuildEntry& e, uint64_t packSize, uint16_t extraFlags,
                                     uint32_t crc) {
    std::vector<uint8_t> nameBytes(e.name.begin(), e.name.end());
    uint16_t flags = static_cast<uint16_t>(0x8000 | e.flags | extraFlags);
    if (!e.wideName.empty()) {
        flags |= 0x0200;
        nameBytes.push_back(0);
        append(nameBytes, encodeWide(e.wideName));
    }
    const uint64_t unpSize = e.unpSize ? *e.unpSize : e.packed.size();
    const bool large = packSize > 0xFFFFFFFFu || unpSize > 0xFFFFFFFFu;
    if (large) {
        flags |= 0x0100;
    }
    auto h = blockStart(0x74, flags);
    put32(h, static_cast<uint32_t>(packSize));
    put32(h, static_cast<uint32_t>(unpSize));
    h.push_back(e.hostOs);
    put32(h, crc);
    put32(h, e.dosTime);
    h.push_back(e.unpVer);
    h.push_back(e.method);
    put16(h, static_cast<uint32_t>(nameBytes.size()));
    put32(h, e.attr);
    if (large) {
        put32(h, static_cast<uint32_t>(packSize >> 32));
        put32(h, static_cast<uint32_t>(unpSize >> 32));
    }
    append(h, nameBytes);
    seal(h);
    return h;
}

std::vector<uint8_t> ArchiveBuilder::build() const {
    std::vector<uint8_t> out = markerAndMain(mainFlags_);
    if (comment_) {
        BuildEntry c = storedFile("CMT", *comment_);
        auto h = fileHeaderBytes(c, c.packed.size(), 0, crc32(c.packed));
        h[2] = 0x7A;
        seal(h);
        append(out, h);
        append(out, c.packed);
    }
    for (const auto& e : entries_) {
        append(out, fileHeaderBytes(e, e.packed.size(), 0, contentCrc(e)));
        append(out, e.packed);
    }
    if (endBlock_) {
        append(out, endBlock(false));
    }
    return out;
}

std::vector<std::vector<uint8_t>> ArchiveBuilder::buildVolumes(size_t maxData, bool newNumbering) const {
    std::vector<std::vector<uint8_t>> volumes;
    const uint16_t volumeFlags = static_cast<uint16_t>(mainFlags_ | 0x0001 | (newNumbering ? 0x0010 : 0));
    std::vector<uint8_t> current = markerAndMain(static_cast<uint16_t>(volumeFlags | 0x0100));
    size_t used = 0;
    auto nextVolume = [&] {
        append(current, endBlock(true));
        volumes.push_back(std::move(current));
        current = markerAndMain(volumeFlags);
        used = 0;
    };
    for (const auto& e : entries_) {
        size_t offset = 0;
        do {
            if (used == maxData) {
                nextVolume();
            }
            const size_t n = std::min(maxData - used, e.packed.size() - offset);
            const bool before = offset > 0;
            const bool after = offset + n < e.packed.size();
            const uint16_t split = static_cast<uint16_t>((before ? 1 : 0) | (after ? 2 : 0));
            const std::vector<uint8_t> part(e.packed.begin() + static_cast<std::ptrdiff_t>(offset),
                                            e.packed.begin() + static_cast<std::ptrdiff_t>(offset + n));
            // Non-final parts carry the CRC of their own packed bytes, the last one the file's CRC.
            append(current, fileHeaderBytes(e, n, split, after ? crc32(part) : contentCrc(e)));
            append(current, part);
            offset += n;
            used += n;
        } while (offset < e.packed.size());
    }
    append(current, endBlock(false));
    volumes.push_back(std::move(current));
    return volumes;
}

} // namespace rarlib::test
