#include "unpack20/Unpack20.h"

#include <algorithm>
#include <cstring>

namespace rarlib {
namespace {

using namespace lz20;

static_assert(kMaxMatch <= LzWindow::kMaxStepBytes);

} // namespace

Unpack20::Unpack20() = default;

void Unpack20::resetStream() {
    window_.resetStream();
    written_ = 0;
    predictor_.reset();
    std::memset(oldLengths_, 0, sizeof(oldLengths_));
    std::memset(oldDist_, 0, sizeof(oldDist_));
    oldDistPtr_ = 0;
    lastDist_ = 0;
    lastLength_ = 0;
    tablesRead_ = false;
    audioBlock_ = false;
    channels_ = 1;
    curChannel_ = 0;
    pending_ = Status::Ok;
}

Status Unpack20::readTables() {
    BitCursor& c = input_.cur;
    Status st = input_.ensure();
    if (st != Status::Ok) {
        return st;
    }
    c.refill();
    const uint32_t head = c.get(2);
    const bool audio = (head & 2) != 0;
    if ((head & 1) == 0) {
        // Without the "keep" bit the lengths are not deltas against the previous table.
        std::memset(oldLengths_, 0, sizeof(oldLengths_));
    }
    unsigned channels = channels_;
    size_t count = kLzLengths;
    if (audio) {
        channels = c.get(2) + 1;
        count = kAudioSymbols * channels;
    }

    uint8_t preLengths[kPreSymbols];
    for (size_t i = 0; i < kPreSymbols; ++i) {
        if ((i & 7) == 0) {
            if ((st = input_.ensure()) != Status::Ok) {
                return st;
            }
            c.refill();
        }
        preLengths[i] = static_cast<uint8_t>(c.get(4));
    }
    HuffmanTable<kPreSymbols, 7> pre;
    if (!pre.build(preLengths)) {
        return Status::BadData;
    }

    uint8_t lengths[kLengthArray];
    for (size_t i = 0; i < count;) {
        if ((st = input_.ensure()) != Status::Ok) {
            return st;
        }
        c.refill();
        const uint32_t s = pre.decode(c);
        if (s < 16) {
            lengths[i] = static_cast<uint8_t>((oldLengths_[i] + s) & 0xF);
            ++i;
            continue;
        }
        if (s == 16) {
            if (i == 0) {
                return Status::BadData;
            }
            for (uint32_t n = c.get(2) + 3; n > 0 && i < count; --n, ++i) {
                lengths[i] = lengths[i - 1];
            }
            continue;
        }
        uint32_t zeros;
        if (s == 17) {
            zeros = c.get(3) + 3;
        } else if (s == 18) {
            zeros = c.get(7) + 11;
        } else {
            return Status::BadData;
        }
        for (; zeros > 0 && i < count; --zeros, ++i) {
            lengths[i] = 0;
        }
    }
    if ((st = input_.ensure()) != Status::Ok) {
        return st;
    }
    if (audio) {
        for (unsigned ch = 0; ch < channels; ++ch) {
            if (!audio_[ch].build(lengths + ch * kAudioSymbols)) {
                return Status::BadData;
            }
        }
        channels_ = channels;
        if (curChannel_ >= channels_) {
            curChannel_ = 0;
        }
    } else if (!main_.build(lengths) || !dist_.build(lengths + kMainSymbols) ||
               !rep_.build(lengths + kMainSymbols + kDistSymbols)) {
        return Status::BadData;
    }
    audioBlock_ = audio;
    std::memcpy(oldLengths_, lengths, count);
    tablesRead_ = true;
    return Status::Ok;
}

// Decodes until about kFlushStep bytes are pending, the entry is complete, or an error.
Status Unpack20::decodeStep(uint64_t fileEnd) {
    BitCursor c = input_.cur;
    uint8_t* const win = window_.data();
    uint64_t pos = window_.pos();
    const uint64_t stop = std::min(window_.prepare(written_ + kFlushStep), fileEnd);
    Status result = Status::Ok;

    auto sync = [&] {
        input_.cur = c;
        window_.setPos(pos);
    };
    auto reload = [&] {
        c = input_.cur;
        pos = window_.pos();
    };
    // Every match enters the distance ring, even a repeated one; it may reach neither before the
    // stream start nor past the entry's end.
    auto copy = [&](uint32_t length, uint32_t dist) {
        lastDist_ = dist;
        oldDist_[oldDistPtr_++ & 3] = dist;
        lastLength_ = length;
        if (length == 0) {
            return true;
        }
        if (dist == 0 || dist > pos || length > fileEnd - pos) {
            return false;
        }
        LzWindow::copyMatch(win, pos, dist, length);
        pos += length;
        return true;
    };

    while (pos < stop) {
        if (c.pos > input_.fastLimit()) {
            input_.cur = c;
            if ((result = input_.refillSlow()) != Status::Ok) {
                break;
            }
            c = input_.cur;
        }
        c.refill();
        if (audioBlock_) {
            const uint32_t sym = audio_[curChannel_].decode(c);
            if (sym < kAudioNewTable) {
                win[pos & LzWindow::kMask] = predictor_.decode(curChannel_, static_cast<uint8_t>(sym));
                ++pos;
                if (++curChannel_ == channels_) {
                    curChannel_ = 0;
                }
                continue;
            }
            if (sym != kAudioNewTable) {
                result = Status::BadData;
                break;
            }
            sync();
            result = readTables();
            reload();
            if (result != Status::Ok) {
                break;
            }
            continue;
        }

        const uint32_t sym = main_.decode(c);
        if (sym < 256) {
            win[pos & LzWindow::kMask] = static_cast<uint8_t>(sym);
            ++pos;
            continue;
        }
        if (sym >= kFirstLength) {
            if (sym >= kMainSymbols) {
                result = Status::BadData;
                break;
            }
            const uint32_t slot = sym - kFirstLength;
            uint32_t length = kLengthBase[slot] + 3 + c.get(kLengthBits[slot]);
            c.refill();
            const uint32_t ds = dist_.decode(c);
            if (ds >= kDistSymbols) {
                result = Status::BadData;
                break;
            }
            const uint32_t dist = kDistance.base[ds] + 1 + c.get(kDistance.bits[ds]);
            if (dist >= 0x2000) {
                ++length;
                if (dist >= 0x40000) {
                    ++length;
                }
            }
            if (!copy(length, dist)) {
                result = Status::BadData;
                break;
            }
            continue;
        }
        if (sym == kNewTable) {
            sync();
            result = readTables();
            reload();
            if (result != Status::Ok) {
                break;
            }
            continue;
        }
        if (sym == kRepeatLast) {
            if (!copy(lastLength_, lastDist_)) {
                result = Status::BadData;
                break;
            }
            continue;
        }
        if (sym < kFirstShort) {
            const uint32_t dist = oldDist_[(oldDistPtr_ - (sym - kRepeatLast)) & 3];
            const uint32_t slot = rep_.decode(c);
            if (slot >= kRepSymbols) {
                result = Status::BadData;
                break;
            }
            uint32_t length = kLengthBase[slot] + 2 + c.get(kLengthBits[slot]);
            if (dist >= 0x101) {
                ++length;
                if (dist >= 0x2000) {
                    ++length;
                    if (dist >= 0x40000) {
                        ++length;
                    }
                }
            }
            if (!copy(length, dist)) {
                result = Status::BadData;
                break;
            }
            continue;
        }
        const uint32_t k = sym - kFirstShort;
        if (!copy(2, kShortBase[k] + 1 + c.get(kShortBits[k]))) {
            result = Status::BadData;
            break;
        }
    }
    sync();
    return result;
}

Status Unpack20::flush(OutputSink* sink) {
    return writeWindow(window_, written_, sink);
}

bool Unpack20::atLeastBytesLeft(unsigned bytes) {
    if (input_.ensure() != Status::Ok) {
        return false;
    }
    // Counted from the byte the position is in. The cursor holds whole bytes, so its bit count modulo 8
    // is what is left of the current one; a probe past the end shows as an overrun.
    BitCursor& c = input_.cur;
    c.refill();
    const BitCursor saved = c;
    const unsigned partial = c.count & 7;
    c.skip(partial == 0 ? 8 * bytes : partial + 8 * (bytes - 1));
    const bool enough = !input_.overrun();
    c = saved;
    return enough;
}

// An entry's data may end with a table change for the next solid entry. Real decoders look for it
// only when at least five bytes are left, so that the padding of the last byte is never taken for one.
void Unpack20::readTrailingTables() {
    if (!atLeastBytesLeft(5)) {
        return;
    }
    BitCursor& c = input_.cur;
    const BitCursor saved = c;
    const uint32_t sym = audioBlock_ ? audio_[curChannel_].decode(c) : main_.decode(c);
    if (sym != (audioBlock_ ? kAudioNewTable : kNewTable)) {
        c = saved;
        return;
    }
    const Status st = readTables();
    if (st != Status::Ok) {
        tablesRead_ = false;
        pending_ = st;
    }
}

Status Unpack20::decodeEntry(ByteSource& input, uint64_t unpSize, bool sizeKnown, bool solid,
                             OutputSink* sink) {
    if (!window_.allocated()) {
        return Status::NoMemory;
    }
    if (!solid) {
        resetStream();
    } else if (pending_ != Status::Ok) {
        return pending_;
    }
    const Status st = decodeBody(input, unpSize, sizeKnown, solid, sink);
    if (st != Status::Ok) {
        pending_ = st;
    }
    return st;
}

Status Unpack20::decodeBody(ByteSource& input, uint64_t unpSize, bool sizeKnown, bool solid,
                            OutputSink* sink) {
    if (!sizeKnown) {
        return Status::UnknownFormat;
    }
    const uint64_t fileStart = window_.pos();
    if (unpSize > UINT64_MAX - fileStart) {
        return Status::BadData;
    }
    const uint64_t fileEnd = fileStart + unpSize;
    Status st = input_.start(input);
    if (st != Status::Ok) {
        return st;
    }
    // An empty entry may come without any packed data.
    if ((!solid || !tablesRead_) && (unpSize != 0 || atLeastBytesLeft(1))) {
        if ((st = readTables()) != Status::Ok) {
            return st;
        }
    }
    while (window_.pos() < fileEnd) {
        if ((st = decodeStep(fileEnd)) != Status::Ok) {
            return st;
        }
        if ((st = flush(sink)) != Status::Ok) {
            return st;
        }
    }
    if (input_.overrun()) {
        return Status::BadData;
    }
    readTrailingTables();
    return Status::Ok;
}

} // namespace rarlib
