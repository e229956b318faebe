#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/Status.h"

// Block-level layout of the RAR 1.5-4.x archive format.
namespace rarlib {

namespace block {
constexpr uint8_t kMarker = 0x72;
constexpr uint8_t kMain = 0x73;
constexpr uint8_t kFile = 0x74;
constexpr uint8_t kOldComment = 0x75;
constexpr uint8_t kOldAv = 0x76;
constexpr uint8_t kOldSub = 0x77;
constexpr uint8_t kOldRecovery = 0x78;
constexpr uint8_t kOldAv2 = 0x79;
constexpr uint8_t kService = 0x7A;
constexpr uint8_t kEnd = 0x7B;
} // namespace block

namespace mainflag {
constexpr uint16_t kVolume = 0x0001;
constexpr uint16_t kComment = 0x0002;
constexpr uint16_t kSolid = 0x0008;
constexpr uint16_t kNewNumbering = 0x0010;
constexpr uint16_t kPassword = 0x0080;
constexpr uint16_t kFirstVolume = 0x0100;
constexpr uint16_t kEncryptVer = 0x0200;
} // namespace mainflag

namespace fileflag {
constexpr uint16_t kSplitBefore = 0x0001;
constexpr uint16_t kSplitAfter = 0x0002;
constexpr uint16_t kPassword = 0x0004;
constexpr uint16_t kComment = 0x0008;
constexpr uint16_t kSolid = 0x0010;
constexpr uint16_t kWindowMask = 0x00E0;
constexpr uint16_t kDirectory = 0x00E0;
constexpr uint16_t kLarge = 0x0100;
constexpr uint16_t kUnicode = 0x0200;
constexpr uint16_t kSalt = 0x0400;
constexpr uint16_t kExtTime = 0x1000;
} // namespace fileflag

namespace endflag {
constexpr uint16_t kNextVolume = 0x0001;
} // namespace endflag

constexpr uint16_t kLongBlock = 0x8000;

constexpr size_t kBaseHeaderSize = 7;
constexpr size_t kMainHeaderSize = 13;
constexpr size_t kFileHeaderFixedSize = 32;
constexpr uint8_t kMarkerBytes[7] = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};

struct BaseHeader {
    uint16_t crc = 0;
    uint8_t type = 0;
    uint16_t flags = 0;
    uint16_t size = 0;
};

// `bytes` holds at least kBaseHeaderSize bytes.
BaseHeader parseBaseHeader(const uint8_t* bytes);

struct MainHeader {
    uint16_t flags = 0;
    bool hasEncryptVer = false;
    uint8_t encryptVer = 0;
    // Old-style comment embedded after the fixed part (RAR 2.x and earlier).
    std::vector<uint8_t> oldComment;
};

// `header` is the whole block (HEAD_SIZE bytes). Checks type, size and CRC.
Status parseMainHeader(std::span<const uint8_t> header, MainHeader& out);

// Whether the CRC of a block of this type can be checked from its header alone, and over how many bytes.
// Returns 0 for old-style blocks whose CRC covers other data or nothing.
size_t headerCrcSpan(const BaseHeader& base, std::span<const uint8_t> header);

bool headerCrcMatches(const BaseHeader& base, std::span<const uint8_t> header, size_t span);

} // namespace rarlib
