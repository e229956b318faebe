#include "unpack/ByteSource.h"

#include <algorithm>
#include <cstring>

namespace rarlib {

Status MemorySource::read(uint8_t* dst, size_t max, size_t& got) {
    got = std::min(max, bytes_.size() - pos_);
    if (got > 0) {
        std::memcpy(dst, bytes_.data() + pos_, got);
        pos_ += got;
    }
    return Status::Ok;
}

} // namespace rarlib
