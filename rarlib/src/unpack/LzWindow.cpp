#include "unpack/LzWindow.h"

#include <algorithm>

namespace rarlib {

LzWindow::LzWindow() : data_(std::make_unique<uint8_t[]>(kSize)) {}

Status LzWindow::flush(uint64_t upTo, OutputSink* sink) {
    while (written_ < upTo) {
        const size_t start = written_ & kMask;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(upTo - written_, kSize - start));
        if (sink) {
            const Status st = sink->write(data_.get() + start, n);
            if (st != Status::Ok) {
                return st;
            }
        }
        written_ += n;
    }
    return Status::Ok;
}

} // namespace rarlib
