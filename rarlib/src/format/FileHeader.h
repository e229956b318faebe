#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/Status.h"
#include "format/Blocks.h"

namespace rarlib {

namespace hostos {
constexpr uint8_t kMsDos = 0;
constexpr uint8_t kOs2 = 1;
constexpr uint8_t kWin32 = 2;
constexpr uint8_t kUnix = 3;
constexpr uint8_t kMacOs = 4;
constexpr uint8_t kBeOs = 5;
} // namespace hostos

// A file time: MS-DOS local date/time plus the optional finer part of the extended time field.
struct EntryTime {
    uint32_t dosTime = 0;
    uint32_t extra100ns = 0; // added to dosTime (already includes the "+1 s" flag)
};

// File header (0x74) or service header (0x7A); both share the layout.
struct FileHeader {
    uint8_t type = block::kFile;
    uint16_t flags = 0;
    uint16_t headSize = 0;
    uint64_t packSize = 0;
    uint64_t unpSize = 0;
    bool unpSizeUnknown = false;
    uint8_t hostOs = 0;
    uint32_t fileCrc = 0;
    uint8_t unpVer = 0;
    uint8_t method = 0;
    uint32_t attr = 0;
    EntryTime mtime;
    std::string rawName;       // stored bytes (before the zero byte of a Unicode name)
    std::u16string wideName;   // decoded when the Unicode flag gives one, else empty
    bool wideFromUtf8 = false; // Unicode flag without a zero byte: the name was UTF-8

    bool isDirectory() const;
    bool isSymlink() const;
    bool isEncrypted() const { return (flags & fileflag::kPassword) != 0; }
    bool splitBefore() const { return (flags & fileflag::kSplitBefore) != 0; }
    bool splitAfter() const { return (flags & fileflag::kSplitAfter) != 0; }
    bool solid() const { return (flags & fileflag::kSolid) != 0; }
    bool isStored() const { return method == 0x30; }
};

// `header` is the whole block (HEAD_SIZE bytes); the CRC is checked here too.
Status parseFileHeader(std::span<const uint8_t> header, FileHeader& out);

} // namespace rarlib
