#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rarlib::test {

// One entry of a hand-made archive. `packed` is written as the entry's data; for stored entries it is
// also the content, and size and CRC follow from it unless set.
struct BuildEntry {
    std::string name;        // stored name bytes
    std::u16string wideName; // when set: Unicode name form (plain bytes, zero, encoded UTF-16)
    std::vector<uint8_t> packed;
    std::optional<uint64_t> unpSize;
    std::optional<uint32_t> crc;
    uint8_t method = 0x30;
    uint8_t unpVer = 20;
    uint8_t hostOs = 2;
    uint32_t attr = 0x20;
    uint16_t flags = 0;            // file flags besides the long-block bit (0x10 solid, 0xE0 directory, ...)
    uint32_t dosTime = 0x3C212000; // 2010-01-01 00:00:00
};

BuildEntry storedFile(std::string name, const std::string& content);
// `packed` as the compressed data of `content` (size and CRC from the content).
BuildEntry packedFile(std::string name, const std::vector<uint8_t>& content, std::vector<uint8_t> packed,
                      uint8_t unpVer, uint8_t method);
BuildEntry directoryEntry(std::string name);

// Writes archives of the RAR 1.5-4.x format block by block, with correct header CRCs.
class ArchiveBuilder {
public:
    ArchiveBuilder& mainFlags(uint16_t flags) {
        mainFlags_ = flags;
        return *this;
    }
    ArchiveBuilder& add(BuildEntry entry) {
        entries_.push_back(std::move(entry));
        return *this;
    }
    // A stored archive comment as a CMT service block after the main header.
    ArchiveBuilder& comment(const std::string& text) {
        comment_ = text;
        return *this;
    }

    // Archives of old versions may end without an end block; other readers must cope with that.
    ArchiveBuilder& withoutEndBlock() {
        endBlock_ = false;
        return *this;
    }

    std::vector<uint8_t> build() const;
    // The same entries spread over volumes: each volume holds at most `maxData` bytes of entry data,
    // split entries carry the split flags, and every volume but the last ends with a "next volume"
    // end block. The main header gets the volume flags (plus new numbering if asked for).
    std::vector<std::vector<uint8_t>> buildVolumes(size_t maxData, bool newNumbering) const;

private:
    uint16_t mainFlags_ = 0;
    std::vector<BuildEntry> entries_;
    std::optional<std::string> comment_;
    bool endBlock_ = true;
};

// Encodes a file header (type 0x74) for the given entry, data size and extra flags.
std::vector<uint8_t> fileHeaderBytes(const BuildEntry& e, uint64_t packSize, uint16_t extraFlags,
                                     uint32_t crc);

} // namespace rarlib::test
