#pragma once

#include <cstdint>
#include <vector>

#include "core/Crc32.h"
#include "unpack/ByteSource.h"

namespace rarlib {

// Receives an entry's unpacked data for the caller (callback) and keeps its CRC and size.
class DataObserver {
public:
    virtual ~DataObserver() = default;
    // False stops the entry (the caller cancelled).
    virtual bool onData(const uint8_t* data, size_t size) = 0;
};

class OutputFile;

// Where an entry's data goes: CRC, the caller's observer, the output file.
class EntrySink final : public OutputSink {
public:
    EntrySink(DataObserver* observer, OutputFile* file) : observer_(observer), file_(file) {}
    Status write(const uint8_t* data, size_t size) override;
    uint32_t crc() const { return crc_.value(); }
    uint64_t size() const { return size_; }

private:
    DataObserver* observer_;
    OutputFile* file_;
    Crc32 crc_;
    uint64_t size_ = 0;
};

// Collects data in memory up to a limit (archive comments).
class BufferSink final : public OutputSink {
public:
    explicit BufferSink(std::vector<uint8_t>& out, size_t limit) : out_(out), limit_(limit) {}
    Status write(const uint8_t* data, size_t size) override;

private:
    std::vector<uint8_t>& out_;
    size_t limit_;
};

// Copies stored (method 0x30) data; more than `limit` bytes is bad data, and the excess is not written.
Status copyStored(ByteSource& source, OutputSink& sink, uint64_t limit = UINT64_MAX);

} // namespace rarlib
