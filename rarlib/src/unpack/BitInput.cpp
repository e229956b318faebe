#include "unpack/BitInput.h"

#include <cstring>

namespace rarlib {
namespace {
// Zero bytes after the data: a step may read past the end before the overrun is noticed.
constexpr size_t kPadding = 64;
} // namespace

// Bytes past the data are cleared as the data arrive.
BitInput::BitInput() : buffer_(std::make_unique_for_overwrite<uint8_t[]>(kChunk + kPadding)) {}

Status BitInput::start(ByteSource& source) {
    source_ = &source;
    size_ = 0;
    base_ = 0;
    eof_ = false;
    readError_ = Status::Ok;
    cur = BitCursor{};
    cur.data = buffer_.get();
    fastLimit_ = 0;
    const Status st = refillSlow();
    if (st == Status::Ok) {
        cur.refill();
    }
    return st;
}

Status BitInput::refillSlow() {
    if (!eof_) {
        // Drop the bytes already loaded into the cursor; the rest moves to the front.
        const size_t keep = cur.pos < size_ ? size_ - cur.pos : 0;
        std::memmove(buffer_.get(), buffer_.get() + cur.pos, keep);
        base_ += cur.pos;
        cur.pos = 0;
        size_ = keep;
        while (size_ < kChunk && !eof_) {
            size_t got = 0;
            const Status st = source_->read(buffer_.get() + size_, kChunk - size_, got);
            if (st != Status::Ok) {
                return st;
            }
            if (got == 0) {
                eof_ = true;
            }
            size_ += got;
        }
        std::memset(buffer_.get() + size_, 0, kPadding);
    }
    if (eof_) {
        fastLimit_ = size_ > kMaxStepBytes ? size_ - kMaxStepBytes : 0;
        if (overrun()) {
            return Status::BadData;
        }
    } else {
        fastLimit_ = size_ - kMaxStepBytes;
    }
    return Status::Ok;
}

int BitInput::getByteSlow() {
    const Status st = refillSlow();
    if (st != Status::Ok) {
        if (st != Status::BadData) {
            readError_ = st;
        }
        return -1;
    }
    if (eof_ && consumedBits() + 8 > static_cast<uint64_t>(base_ + size_) * 8) {
        return -1;
    }
    if (cur.count < 8) {
        cur.refill();
    }
    return static_cast<int>(cur.get(8));
}

bool BitInput::overrun() const {
    return eof_ && consumedBits() > static_cast<uint64_t>(base_ + size_) * 8;
}

} // namespace rarlib
