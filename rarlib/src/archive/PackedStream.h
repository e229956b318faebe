#pragma once

#include "archive/ArchiveReader.h"
#include "unpack/ByteSource.h"

namespace rarlib {

// The packed data of one entry, followed across volumes when the entry is split.
class PackedStream final : public ByteSource {
public:
    PackedStream(ArchiveReader& reader, const FileHeader& first);

    Status read(uint8_t* dst, size_t max, size_t& got) override;
    // Moves past the rest of the entry, opening the volumes it continues in.
    Status skipRest();
    // The header of the part read last: for a split entry its FILE_CRC covers the whole file.
    const FileHeader& lastPart() const { return part_; }

private:
    Status nextPart();

    ArchiveReader& reader_;
    FileHeader part_;
    uint64_t offset_;
    uint64_t remaining_;
    // A volume that could not be reached is asked for once only.
    Status failed_ = Status::Ok;
};

// A byte range of one volume (service block data).
class RangeSource final : public ByteSource {
public:
    RangeSource(RandomAccessInput& input, uint64_t offset, uint64_t size)
        : input_(input), offset_(offset), remaining_(size) {}
    Status read(uint8_t* dst, size_t max, size_t& got) override;

private:
    RandomAccessInput& input_;
    uint64_t offset_;
    uint64_t remaining_;
};

} // namespace rarlib
