#include "archive/PackedStream.h"

#include <algorithm>

namespace rarlib {

PackedStream::PackedStream(ArchiveReader& reader, const FileHeader& first)
    : reader_(reader), part_(first), offset_(reader.dataOffset()), remaining_(first.packSize) {}

Status PackedStream::nextPart() {
    if (failed_ != Status::Ok) {
        return failed_;
    }
    FileHeader next;
    const Status st = reader_.openContinuation(part_, next);
    if (st != Status::Ok) {
        failed_ = st;
        return st;
    }
    part_ = std::move(next);
    offset_ = reader_.dataOffset();
    remaining_ = part_.packSize;
    return Status::Ok;
}

Status PackedStream::read(uint8_t* dst, size_t max, size_t& got) {
    got = 0;
    while (remaining_ == 0) {
        if (!part_.splitAfter()) {
            return Status::Ok;
        }
        const Status st = nextPart();
        if (st != Status::Ok) {
            return st;
        }
    }
    const size_t n = static_cast<size_t>(std::min<uint64_t>(max, remaining_));
    if (!reader_.input().readAt(offset_, dst, n)) {
        return Status::ERead;
    }
    offset_ += n;
    remaining_ -= n;
    got = n;
    return Status::Ok;
}

Status PackedStream::skipRest() {
    remaining_ = 0;
    while (part_.splitAfter()) {
        const Status st = nextPart();
        if (st != Status::Ok) {
            return st;
        }
        remaining_ = 0;
    }
    return Status::Ok;
}

Status RangeSource::read(uint8_t* dst, size_t max, size_t& got) {
    got = static_cast<size_t>(std::min<uint64_t>(max, remaining_));
    if (got == 0) {
        return Status::Ok;
    }
    if (!input_.readAt(offset_, dst, got)) {
        got = 0;
        return Status::ERead;
    }
    offset_ += got;
    remaining_ -= got;
    return Status::Ok;
}

} // namespace rarlib
