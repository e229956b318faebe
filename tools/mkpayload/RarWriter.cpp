#include "RarWriter.h"

#include <array>
#include <vector>
#include <zlib.h>

namespace mkpayload {
namespace {

constexpr std::array<uint8_t, 7> kMarker = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
constexpr uint8_t kMainHeader = 0x73;
constexpr uint8_t kFileHeader = 0x74;
constexpr uint8_t kEndOfArchive = 0x7B;
constexpr uint16_t kMainSolid = 0x0008;
constexpr uint16_t kFileSolid = 0x0010;
constexpr uint16_t kLongBlock = 0x8000;
constexpr uint16_t kSkipIfUnknown = 0x4000;
constexpr uint8_t kHostWin32 = 2;
constexpr size_t kFileHeaderFixedSize = 32;
constexpr uint32_t kMaxPackedSize = 0xFFFFFFFFu;

class THeader {
public:
    void U8(uint8_t v) { bytes_.push_back(v); }
    void U16(uint16_t v) { U8(v & 0xFF), U8(v >> 8); }
    void U32(uint32_t v) { U16(v & 0xFFFF), U16(v >> 16); }
    void Bytes(const std::string& s) { bytes_.insert(bytes_.end(), s.begin(), s.end()); }

    // Fills in HEAD_SIZE (bytes 5..6) and HEAD_CRC (bytes 0..1) once every field is in.
    const std::vector<uint8_t>& Seal() {
        const auto size = static_cast<uint16_t>(bytes_.size());
        bytes_[5] = size & 0xFF;
        bytes_[6] = size >> 8;
        const uLong crc = crc32(0, bytes_.data() + 2, static_cast<uInt>(bytes_.size() - 2));
        bytes_[0] = crc & 0xFF;
        bytes_[1] = (crc >> 8) & 0xFF;
        return bytes_;
    }

private:
    std::vector<uint8_t> bytes_;
};

THeader BlockStart(uint8_t type, uint16_t flags) {
    THeader header;
    header.U16(0); // HEAD_CRC
    header.U8(type);
    header.U16(flags);
    header.U16(0); // HEAD_SIZE
    return header;
}

std::vector<uint8_t> FileHeader(const TEntryHeader& entry, const TPackedForm& form, uint32_t packedSize,
                                uint32_t crc) {
    THeader header = BlockStart(kFileHeader, kLongBlock | (form.dictionaryBits & 0x00E0) |
                                                 (form.continuesSolid ? kFileSolid : 0));
    header.U32(packedSize);
    header.U32(static_cast<uint32_t>(entry.size));
    header.U8(kHostWin32);
    header.U32(crc);
    header.U32(entry.dosTime);
    header.U8(form.unpackVersion);
    header.U8(form.method);
    header.U16(static_cast<uint16_t>(entry.name.size()));
    header.U32(entry.attributes);
    header.Bytes(entry.name);
    return header.Seal();
}

// Counts what the packer writes, so the header can state the packed size.
class TCountingSink final : public TByteSink {
public:
    explicit TCountingSink(TByteSink& out) : out_(out) {}
    bool Write(std::span<const uint8_t> bytes) override {
        count_ += bytes.size();
        return out_.Write(bytes);
    }
    uint64_t Count() const { return count_; }

private:
    TByteSink& out_;
    uint64_t count_ = 0;
};

} // namespace

bool TRarWriter::Begin(std::string& error) {
    THeader main = BlockStart(kMainHeader, kMainSolid);
    main.U16(0); // reserved
    main.U32(0); // reserved
    if (!out_.Write(kMarker) || !out_.Write(main.Seal())) {
        error = out_.Error();
        return false;
    }
    return true;
}

bool TRarWriter::AddEntry(const TEntryHeader& entry, TDataSource& source, std::string& error) {
    // Sizes are written without the 64-bit extension, and 0xFFFFFFFF would read as "unknown".
    if (entry.name.empty() || entry.name.size() > 0xFFFF - kFileHeaderFixedSize ||
        entry.size >= 0xFFFFFFFFu) {
        error = "entry cannot be described by a file header";
        return false;
    }
    // The header goes first with placeholder sizes and CRC, and is completed after the data.
    const uint64_t headerOffset = out_.Size();
    if (!out_.Write(FileHeader(entry, TPackedForm{}, 0, 0))) {
        error = out_.Error();
        return false;
    }
    TCountingSink packed(out_);
    packer_.BeginEntry(entry.size);
    uLong crc = crc32(0, nullptr, 0);
    uint64_t total = 0;
    std::vector<uint8_t> buffer(1 << 16);
    for (;;) {
        size_t got = 0;
        if (!source.Read(buffer, got, error)) {
            return false;
        }
        if (got == 0) {
            break;
        }
        total += got;
        if (total > entry.size) {
            break;
        }
        const std::span<const uint8_t> piece(buffer.data(), got);
        crc = crc32(crc, piece.data(), static_cast<uInt>(piece.size()));
        if (!packer_.Pack(piece, packed)) {
            error = out_.Error().empty() ? "packing failed" : out_.Error();
            return false;
        }
    }
    if (total != entry.size) {
        error = "changed while being packed (" + std::to_string(entry.size) + " bytes expected, " +
                (total > entry.size ? "more" : std::to_string(total)) + " read)";
        return false;
    }
    TPackedForm form;
    if (!packer_.EndEntry(packed, form)) {
        error = out_.Error().empty() ? "packing failed" : out_.Error();
        return false;
    }
    if (packed.Count() > kMaxPackedSize) {
        error = "packed data exceeds the 32-bit size field";
        return false;
    }
    if (!out_.WriteAt(headerOffset, FileHeader(entry, form, static_cast<uint32_t>(packed.Count()),
                                               static_cast<uint32_t>(crc)))) {
        error = out_.Error();
        return false;
    }
    return true;
}

bool TRarWriter::Finish(std::string& error) {
    THeader end = BlockStart(kEndOfArchive, kSkipIfUnknown);
    if (!out_.Write(end.Seal())) {
        error = out_.Error();
        return false;
    }
    return true;
}

} // namespace mkpayload
