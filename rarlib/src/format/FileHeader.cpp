#include "format/FileHeader.h"

#include <algorithm>
#include <string_view>

#include "core/ByteOrder.h"
#include "core/Utf.h"
#include "format/UnicodeName.h"

namespace rarlib {
namespace {

bool isUnixLike(uint8_t host) {
    return host == hostos::kUnix || host == hostos::kMacOs || host == hostos::kBeOs;
}

// The extended time field: only the modification time is kept; the others are walked over so that a
// malformed field is noticed. Returns false when the field runs past the header.
bool parseExtTime(std::span<const uint8_t> p, EntryTime& mtime) {
    if (p.size() < 2) {
        return false;
    }
    const unsigned flags = loadLe16(p.data());
    size_t pos = 2;
    for (int group = 0; group < 4; ++group) {
        const unsigned f = (flags >> ((3 - group) * 4)) & 0xF;
        if (!(f & 8)) {
            continue;
        }
        uint32_t dos = mtime.dosTime;
        if (group != 0) {
            if (pos + 4 > p.size()) {
                return false;
            }
            dos = loadLe32(p.data() + pos);
            pos += 4;
        }
        const unsigned count = f & 3;
        if (pos + count > p.size()) {
            return false;
        }
        uint32_t fraction = 0;
        for (unsigned j = 0; j < count; ++j) {
            fraction |= static_cast<uint32_t>(p[pos + j]) << (8 * (j + 3 - count));
        }
        pos += count;
        if (group == 0) {
            mtime.dosTime = dos;
            mtime.extra100ns = fraction + ((f & 4) ? 10'000'000u : 0u);
        }
    }
    return true;
}

void decodeName(std::span<const uint8_t> name, bool unicode, FileHeader& out) {
    const auto zero = std::find(name.begin(), name.end(), uint8_t{0});
    const auto plainLen = static_cast<size_t>(zero - name.begin());
    out.rawName.assign(reinterpret_cast<const char*>(name.data()), plainLen);
    if (!unicode) {
        return;
    }
    if (zero != name.end()) {
        std::u16string wide = decodeUnicodeName(name.first(plainLen), name.subspan(plainLen + 1));
        wide.erase(std::find(wide.begin(), wide.end(), u'\0'), wide.end());
        out.wideName = std::move(wide);
    } else if (auto wide = utf8ToUtf16(out.rawName)) {
        out.wideName = std::move(*wide);
        out.wideFromUtf8 = true;
    }
}

} // namespace

bool FileHeader::isDirectory() const {
    if (unpVer < 20) {
        return isUnixLike(hostOs) ? (attr & 0xF000) == 0x4000 : (attr & 0x10) != 0;
    }
    return (flags & fileflag::kWindowMask) == fileflag::kDirectory;
}

bool FileHeader::isSymlink() const {
    return isUnixLike(hostOs) && (attr & 0xF000) == 0xA000;
}

Status parseFileHeader(std::span<const uint8_t> header, FileHeader& out) {
    if (header.size() < kFileHeaderFixedSize) {
        return Status::BadData;
    }
    const uint8_t* p = header.data();
    const BaseHeader base = parseBaseHeader(p);
    if ((base.type != block::kFile && base.type != block::kService) || base.size != header.size()) {
        return Status::BadData;
    }
    if (!headerCrcMatches(base, header, headerCrcSpan(base, header))) {
        return Status::BadData;
    }
    out = FileHeader{};
    out.type = base.type;
    out.flags = base.flags;
    out.headSize = base.size;
    const uint32_t packLow = loadLe32(p + 7);
    const uint32_t unpLow = loadLe32(p + 11);
    out.hostOs = p[15];
    out.fileCrc = loadLe32(p + 16);
    out.mtime.dosTime = loadLe32(p + 20);
    out.unpVer = p[24];
    out.method = p[25];
    const size_t nameSize = loadLe16(p + 26);
    out.attr = loadLe32(p + 28);

    size_t pos = kFileHeaderFixedSize;
    uint32_t packHigh = 0;
    uint32_t unpHigh = 0;
    if (base.flags & fileflag::kLarge) {
        if (header.size() < pos + 8) {
            return Status::BadData;
        }
        packHigh = loadLe32(p + 32);
        unpHigh = loadLe32(p + 36);
        pos += 8;
    }
    out.packSize = (static_cast<uint64_t>(packHigh) << 32) | packLow;
    out.unpSize = (static_cast<uint64_t>(unpHigh) << 32) | unpLow;
    out.unpSizeUnknown =
        unpLow == 0xFFFFFFFFu && (!(base.flags & fileflag::kLarge) || unpHigh == 0xFFFFFFFFu);
    // Sizes are signed 64-bit in every reader; anything above is corrupt.
    if (out.packSize >> 63 || (!out.unpSizeUnknown && out.unpSize >> 63)) {
        return Status::BadData;
    }
    if (header.size() < pos + nameSize) {
        return Status::BadData;
    }
    decodeName(header.subspan(pos, nameSize), (base.flags & fileflag::kUnicode) != 0, out);
    pos += nameSize;
    if (base.flags & fileflag::kSalt) {
        if (header.size() < pos + 8) {
            return Status::BadData;
        }
        pos += 8;
    }
    if ((base.flags & fileflag::kExtTime) && base.type == block::kFile) {
        if (!parseExtTime(header.subspan(pos), out.mtime)) {
            return Status::BadData;
        }
    }
    return Status::Ok;
}

} // namespace rarlib
