#include "extract/ArchiveComment.h"

#include <memory>

#include "archive/PackedStream.h"
#include "core/ByteOrder.h"
#include "core/Crc32.h"
#include "extract/EntrySink.h"
#include "unpack/Unpack29.h"
#include "unpack15/Unpack15.h"
#include "unpack20/Unpack20.h"

namespace rarlib {
namespace {

// Comments are short texts; a larger one is taken as damage.
constexpr size_t kMaxComment = 256 * 1024;

Status readOldComment(const std::vector<uint8_t>& block, std::vector<uint8_t>& text) {
    // Embedded block: common header, UNP_SIZE u16, UNP_VER, METHOD, COMM_CRC u16, data.
    constexpr size_t kFixed = 13;
    if (block.size() < kFixed) {
        return Status::BadData;
    }
    const BaseHeader base = parseBaseHeader(block.data());
    if (base.type != block::kOldComment || base.size < kFixed || base.size > block.size()) {
        return Status::BadData;
    }
    const uint8_t unpVer = block[9];
    const uint8_t method = block[10];
    const size_t unpSize = loadLe16(block.data() + 7);
    const std::span<const uint8_t> data(block.data() + kFixed, base.size - kFixed);
    Status st = Status::Ok;
    if (method == 0x30) {
        text.assign(data.begin(), data.end());
    } else if (method > 0x35) {
        return Status::UnknownFormat;
    } else {
        // Packed by the RAR 1.5/2.x that wrote the archive, apart from any entry's stream.
        MemorySource source(data);
        BufferSink sink(text, kMaxComment);
        if (unpVer == 15) {
            st = std::make_unique<Unpack15>()->decodeEntry(source, unpSize, true, false, &sink);
        } else if (unpVer == 20 || unpVer == 26) {
            st = std::make_unique<Unpack20>()->decodeEntry(source, unpSize, true, false, &sink);
        } else {
            return Status::UnknownFormat;
        }
    }
    if (st == Status::Ok &&
        ((crc32(text) & 0xFFFF) != loadLe16(block.data() + 11) || text.size() != unpSize)) {
        st = Status::BadData;
    }
    if (st != Status::Ok) {
        text.clear();
    }
    return st;
}

} // namespace

Status readArchiveComment(ArchiveReader& reader, std::vector<uint8_t>& text) {
    text.clear();
    if (!reader.mainHeader().oldComment.empty()) {
        return readOldComment(reader.mainHeader().oldComment, text);
    }
    const auto& block = reader.commentBlock();
    if (!block) {
        return Status::Ok;
    }
    const FileHeader& h = block->header;
    if (h.isEncrypted()) {
        return Status::UnknownFormat;
    }
    if (h.unpSizeUnknown || h.unpSize > kMaxComment) {
        return Status::BadData;
    }
    RangeSource source(reader.input(), block->dataOffset, h.packSize);
    BufferSink sink(text, kMaxComment);
    Status st;
    if (h.isStored()) {
        st = copyStored(source, sink);
    } else if (h.unpVer == 29 && h.method >= 0x31 && h.method <= 0x35) {
        // A separate decoder: the comment is not part of the archive's solid stream.
        auto unpack = std::make_unique<Unpack29>();
        st = unpack->decodeEntry(source, h.unpSize, true, false, &sink);
    } else {
        st = Status::UnknownFormat;
    }
    if (st == Status::Ok && crc32(text) != h.fileCrc) {
        st = Status::BadData;
    }
    if (st != Status::Ok) {
        text.clear();
    }
    return st;
}

} // namespace rarlib
