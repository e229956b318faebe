#include "unpack/LzWindow.h"

#include <algorithm>
#include <new>

namespace rarlib {

LzWindow::LzWindow() : data_(new (std::nothrow) uint8_t[kSize + kSlack]) {}

uint64_t LzWindow::prepare(uint64_t wanted) {
    constexpr size_t kTotal = kSize + kSlack;
    if (cleared_ == kTotal) {
        return wanted;
    }
    // Until the ring is cleared the stream is in its first pass, so positions are ring indexes.
    constexpr size_t kStep = 64 * 1024;
    const size_t target = static_cast<size_t>(std::min<uint64_t>(kTotal, pos_ + kStep + kMaxStepBytes));
    if (target > cleared_) {
        std::memset(data_.get() + cleared_, 0, target - cleared_);
        cleared_ = target;
    }
    return cleared_ == kTotal ? wanted : std::min<uint64_t>(wanted, cleared_ - kMaxStepBytes);
}

Status writeWindow(const LzWindow& window, uint64_t& written, OutputSink* sink) {
    const uint64_t upTo = window.pos();
    const uint8_t* data = window.data();
    while (written < upTo) {
        const size_t start = written & LzWindow::kMask;
        const size_t n = static_cast<size_t>(std::min<uint64_t>(upTo - written, LzWindow::kSize - start));
        if (sink) {
            const Status st = sink->write(data + start, n);
            if (st != Status::Ok) {
                return st;
            }
        }
        written += n;
    }
    return Status::Ok;
}

} // namespace rarlib
