#include "format/Blocks.h"

#include "core/ByteOrder.h"
#include "core/Crc32.h"

namespace rarlib {

BaseHeader parseBaseHeader(const uint8_t* p) {
    BaseHeader h;
    h.crc = loadLe16(p);
    h.type = p[2];
    h.flags = loadLe16(p + 3);
    h.size = loadLe16(p + 5);
    return h;
}

size_t headerCrcSpan(const BaseHeader& base, std::span<const uint8_t> header) {
    switch (base.type) {
    case block::kMain:
        // An embedded old-style comment is not covered.
        return (base.flags & mainflag::kComment) ? kMainHeaderSize : header.size();
    case block::kFile:
    case block::kService: {
        if (!(base.flags & fileflag::kComment)) {
            return header.size();
        }
        // Old-style file comments follow the name and are not covered.
        if (header.size() < kFileHeaderFixedSize) {
            return header.size();
        }
        size_t span = kFileHeaderFixedSize + loadLe16(header.data() + 26);
        if (base.flags & fileflag::kLarge) {
            span += 8;
        }
        return span <= header.size() ? span : header.size();
    }
    case block::kEnd:
        return header.size();
    default:
        // Old-style blocks cover their data too (or carry no CRC); unknown types are simply skipped.
        return 0;
    }
}

bool headerCrcMatches(const BaseHeader& base, std::span<const uint8_t> header, size_t span) {
    if (span < 3 || span > header.size()) {
        return false;
    }
    return (crc32(header.subspan(2, span - 2)) & 0xFFFF) == base.crc;
}

Status parseMainHeader(std::span<const uint8_t> header, MainHeader& out) {
    if (header.size() < kMainHeaderSize) {
        return Status::BadArchive;
    }
    const BaseHeader base = parseBaseHeader(header.data());
    if (base.type != block::kMain || base.size != header.size()) {
        return Status::BadArchive;
    }
    if (!headerCrcMatches(base, header, headerCrcSpan(base, header))) {
        return Status::BadArchive;
    }
    out = MainHeader{};
    out.flags = base.flags;
    size_t end = kMainHeaderSize;
    if (base.flags & mainflag::kEncryptVer) {
        if (header.size() < kMainHeaderSize + 1) {
            return Status::BadArchive;
        }
        out.hasEncryptVer = true;
        out.encryptVer = header[kMainHeaderSize];
        end += 1;
    }
    if (base.flags & mainflag::kComment) {
        const auto rest = header.subspan(end);
        out.oldComment.assign(rest.begin(), rest.end());
    }
    return Status::Ok;
}

} // namespace rarlib
