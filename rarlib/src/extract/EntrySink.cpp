#include "extract/EntrySink.h"

#include <memory>

#include "platform/FileOutput.h"

namespace rarlib {

Status EntrySink::write(const uint8_t* data, size_t size) {
    crc_.update(data, size);
    size_ += size;
    if (observer_ && !observer_->onData(data, size)) {
        return Status::Unknown;
    }
    if (file_ && !file_->write(data, size)) {
        return Status::EWrite;
    }
    return Status::Ok;
}

Status BufferSink::write(const uint8_t* data, size_t size) {
    if (size > limit_ - out_.size()) {
        return Status::BadData;
    }
    out_.insert(out_.end(), data, data + size);
    return Status::Ok;
}

Status copyStored(ByteSource& source, OutputSink& sink, uint64_t limit) {
    constexpr size_t kBuffer = 64 * 1024;
    const auto buffer = std::make_unique_for_overwrite<uint8_t[]>(kBuffer);
    uint64_t total = 0;
    for (;;) {
        size_t got = 0;
        Status st = source.read(buffer.get(), kBuffer, got);
        if (st != Status::Ok) {
            return st;
        }
        if (got == 0) {
            return Status::Ok;
        }
        // Packed data longer than the entry: nothing past its size reaches the output.
        if (got > limit - total) {
            return Status::BadData;
        }
        total += got;
        if ((st = sink.write(buffer.get(), got)) != Status::Ok) {
            return st;
        }
    }
}

} // namespace rarlib
