#include "extract/EntrySink.h"

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

Status copyStored(ByteSource& source, OutputSink& sink) {
    std::vector<uint8_t> buffer(256 * 1024);
    for (;;) {
        size_t got = 0;
        Status st = source.read(buffer.data(), buffer.size(), got);
        if (st != Status::Ok) {
            return st;
        }
        if (got == 0) {
            return Status::Ok;
        }
        if ((st = sink.write(buffer.data(), got)) != Status::Ok) {
            return st;
        }
    }
}

} // namespace rarlib
