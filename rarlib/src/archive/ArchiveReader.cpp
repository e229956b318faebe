#include "archive/ArchiveReader.h"

#include <algorithm>
#include <cstring>

#include "core/ByteOrder.h"

namespace rarlib {
namespace {

constexpr uint8_t kRar5Marker[8] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x01, 0x00};
constexpr uint8_t kRar14Marker[4] = {0x52, 0x45, 0x7E, 0x5E};
// Highest encryption version of this archive family.
constexpr uint8_t kMaxEncryptVer = 36;

bool isFileLike(uint8_t type) {
    return type == block::kFile || type == block::kService;
}

} // namespace

ArchiveReader::ArchiveReader(std::unique_ptr<RandomAccessInput> input, VolumeSource* volumes)
    : input_(std::move(input)), volumes_(volumes) {}

Status ArchiveReader::open() {
    const Status st = openVolume(&main_);
    if (st != Status::Ok) {
        return st;
    }
    comment_.reset();
    if (!headersEncrypted()) {
        // An archive comment is a service block right after the main header.
        Block block;
        FileHeader header;
        if (readBlock(pos_, block, &header) == Status::Ok && block.base.type == block::kService &&
            header.rawName == "CMT") {
            comment_ = ServiceBlock{header, pos_ + block.base.size};
        }
    }
    return Status::Ok;
}

Status ArchiveReader::findMarker(uint64_t& mainPos) {
    const uint64_t size = input_->size();
    uint8_t head[8] = {};
    if (size >= 8 && input_->readAt(0, head, 8) && std::memcmp(head, kRar5Marker, 8) == 0) {
        return Status::UnknownFormat;
    }
    if (size >= 4 && input_->readAt(0, head, 4) && std::memcmp(head, kRar14Marker, 4) == 0) {
        return Status::UnknownFormat;
    }
    const uint64_t limit = std::min(size, kMaxSfxSize);
    constexpr size_t kChunk = 64 * 1024;
    const auto buf = std::make_unique_for_overwrite<uint8_t[]>(kChunk);
    for (uint64_t base = 0; base + sizeof(kMarkerBytes) <= limit;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(kChunk, limit - base));
        if (!input_->readAt(base, buf.get(), n)) {
            return Status::ERead;
        }
        for (size_t i = 0; i + sizeof(kMarkerBytes) <= n; ++i) {
            if (buf[i] != kMarkerBytes[0] || std::memcmp(&buf[i], kMarkerBytes, sizeof(kMarkerBytes)) != 0) {
                continue;
            }
            // A hit counts only if a sound main header follows (stubs may contain the bytes too).
            const uint64_t candidate = base + i + sizeof(kMarkerBytes);
            uint8_t bh[kBaseHeaderSize];
            if (!input_->readAt(candidate, bh, sizeof(bh))) {
                continue;
            }
            const BaseHeader h = parseBaseHeader(bh);
            if (h.type != block::kMain || h.size < kMainHeaderSize) {
                continue;
            }
            std::vector<uint8_t> bytes(h.size);
            MainHeader main;
            if (input_->readAt(candidate, bytes.data(), bytes.size()) &&
                parseMainHeader(bytes, main) == Status::Ok) {
                mainPos = candidate;
                return Status::Ok;
            }
        }
        if (n < kChunk) {
            break;
        }
        base += n - (sizeof(kMarkerBytes) - 1);
    }
    return Status::BadArchive;
}

Status ArchiveReader::openVolume(MainHeader* first) {
    uint64_t mainPos = 0;
    Status st = findMarker(mainPos);
    if (st != Status::Ok) {
        return st;
    }
    uint8_t bh[kBaseHeaderSize];
    if (!input_->readAt(mainPos, bh, sizeof(bh))) {
        return Status::ERead;
    }
    const BaseHeader base = parseBaseHeader(bh);
    std::vector<uint8_t> bytes(base.size);
    if (!input_->readAt(mainPos, bytes.data(), bytes.size())) {
        return Status::ERead;
    }
    MainHeader main;
    st = parseMainHeader(bytes, main);
    if (st != Status::Ok) {
        return st;
    }
    if (main.hasEncryptVer && main.encryptVer > kMaxEncryptVer) {
        return Status::UnknownFormat;
    }
    volumeFlags_ = main.flags;
    if (first) {
        *first = std::move(main);
    }
    pos_ = mainPos + base.size;
    sawEndBlock_ = false;
    ended_ = false;
    return Status::Ok;
}

Status ArchiveReader::readBlock(uint64_t pos, Block& block, FileHeader* file) {
    const uint64_t size = input_->size();
    uint8_t bh[kBaseHeaderSize];
    if (!input_->readAt(pos, bh, sizeof(bh))) {
        return Status::ERead;
    }
    block.base = parseBaseHeader(bh);
    const BaseHeader& b = block.base;
    if (b.size < kBaseHeaderSize || (isFileLike(b.type) && b.size < kFileHeaderFixedSize)) {
        return Status::BadData;
    }
    if (pos + b.size > size) {
        return Status::BadData;
    }
    block.bytes.resize(b.size);
    if (!input_->readAt(pos, block.bytes.data(), b.size)) {
        return Status::ERead;
    }
    uint64_t dataSize = 0;
    if (isFileLike(b.type)) {
        FileHeader local;
        FileHeader& h = file ? *file : local;
        const Status st = parseFileHeader(block.bytes, h);
        if (st != Status::Ok) {
            return st;
        }
        dataSize = h.packSize;
    } else {
        const size_t span = headerCrcSpan(b, block.bytes);
        if (span != 0 && !headerCrcMatches(b, block.bytes, span)) {
            return Status::BadData;
        }
        if (b.flags & kLongBlock) {
            if (b.size < kBaseHeaderSize + 4) {
                return Status::BadData;
            }
            dataSize = loadLe32(block.bytes.data() + 7);
        }
    }
    block.next = pos + b.size + dataSize;
    return Status::Ok;
}

Status ArchiveReader::switchVolume(bool required) {
    if (!volumes_) {
        return required ? Status::EOpen : Status::EndArchive;
    }
    std::unique_ptr<RandomAccessInput> next;
    const Status st = volumes_->openNextVolume((main_.flags & mainflag::kNewNumbering) != 0, required, next);
    if (st != Status::Ok) {
        return st;
    }
    input_ = std::move(next);
    const Status opened = openVolume(nullptr);
    // A successor that is not a readable volume is damage, not a missing file.
    return opened == Status::Ok ? Status::Ok : Status::BadData;
}

Status ArchiveReader::nextFileHeader(FileHeader& out) {
    if (ended_) {
        return Status::EndArchive;
    }
    for (;;) {
        const uint64_t size = input_->size();
        if (pos_ > size) {
            // The previous entry's data runs past the end of the file.
            return Status::ERead;
        }
        if (size - pos_ < kBaseHeaderSize) {
            // Archives without an end block simply stop; an old-style volume set continues silently.
            if ((volumeFlags_ & mainflag::kVolume) && !sawEndBlock_) {
                const Status st = switchVolume(false);
                if (st == Status::Ok) {
                    continue;
                }
                if (st != Status::EndArchive && st != Status::EOpen) {
                    return st;
                }
            }
            ended_ = true;
            return Status::EndArchive;
        }
        Block block;
        const Status st = readBlock(pos_, block, &out);
        if (st != Status::Ok) {
            return st;
        }
        if (block.next <= pos_) {
            return Status::BadData;
        }
        if (block.base.type == block::kFile) {
            dataOffset_ = pos_ + block.base.size;
            pos_ = block.next;
            return Status::Ok;
        }
        if (block.base.type == block::kEnd) {
            sawEndBlock_ = true;
            if (block.base.flags & endflag::kNextVolume) {
                const Status vs = switchVolume(true);
                if (vs != Status::Ok) {
                    return vs;
                }
                continue;
            }
            ended_ = true;
            return Status::EndArchive;
        }
        pos_ = block.next;
    }
}

Status ArchiveReader::openContinuation(const FileHeader& prev, FileHeader& part) {
    Status st = switchVolume(true);
    if (st != Status::Ok) {
        return st;
    }
    for (;;) {
        if (input_->size() - pos_ < kBaseHeaderSize) {
            return Status::BadData;
        }
        Block block;
        st = readBlock(pos_, block, &part);
        if (st != Status::Ok) {
            return st;
        }
        if (block.next <= pos_) {
            return Status::BadData;
        }
        if (block.base.type == block::kFile) {
            if (!part.splitBefore() || part.rawName != prev.rawName) {
                return Status::BadData;
            }
            dataOffset_ = pos_ + block.base.size;
            pos_ = block.next;
            return Status::Ok;
        }
        if (block.base.type == block::kEnd) {
            return Status::BadData;
        }
        pos_ = block.next;
    }
}

} // namespace rarlib
