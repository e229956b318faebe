// How an entry's data is packed, kept apart from the archive's headers so that a compressing
// method can replace storing without touching the writer.
#pragma once

#include <cstdint>
#include <span>

namespace mkpayload {

// Destination of packed bytes.
class TByteSink {
public:
    virtual ~TByteSink() = default;
    virtual bool Write(std::span<const uint8_t> bytes) = 0;
};

// What the file header has to say about the packed data of one entry.
struct TPackedForm {
    uint8_t method = 0x30;       // 0x30 stored, 0x31..0x35 compressed
    uint8_t unpackVersion = 20;  // version needed to extract
    uint16_t dictionaryBits = 0; // file-header flag bits 0x00E0
    bool continuesSolid = false; // entry continues the previous entry's compressed stream
};

class TDataPacker {
public:
    virtual ~TDataPacker() = default;
    // One entry at a time: BeginEntry, Pack for each piece of its data in order, EndEntry.
    virtual void BeginEntry(uint64_t unpackedSize) = 0;
    virtual bool Pack(std::span<const uint8_t> data, TByteSink& out) = 0;
    virtual bool EndEntry(TByteSink& out, TPackedForm& form) = 0;
};

} // namespace mkpayload
