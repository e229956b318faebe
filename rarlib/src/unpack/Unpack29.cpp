#include "unpack/Unpack29.h"

#include <cstring>

#include "filters/FilterRecord.h"
#include "filters/WriteBorder.h"

namespace rarlib {
namespace {

using namespace lz29;

Status toStatus(filters::FilterStatus st) {
    return static_cast<Status>(static_cast<int>(st));
}

} // namespace

Unpack29::Unpack29(uint32_t ppmdLimitMB) : ppm_(ppmdLimitMB) {}

void Unpack29::resetStream() {
    window_.resetStream();
    std::memset(oldLengths_, 0, sizeof(oldLengths_));
    std::memset(oldDist_, 0, sizeof(oldDist_));
    lastLength_ = 0;
    prevLowDist_ = 0;
    lowDistRepCount_ = 0;
    tablesRead_ = false;
    ppmBlock_ = false;
    ppm_.reset();
    filters_.startEntry(false);
}

Status Unpack29::readTables() {
    BitCursor& c = input_.cur;
    input_.alignToByte();
    Status st = input_.ensure();
    if (st != Status::Ok) {
        return st;
    }
    c.refill();
    if (c.peek(1) != 0) {
        return startPpmBlock();
    }
    c.skip(1);
    ppmBlock_ = false;
    prevLowDist_ = 0;
    lowDistRepCount_ = 0;
    if (c.get(1) == 0) {
        std::memset(oldLengths_, 0, sizeof(oldLengths_));
    }

    uint8_t preLengths[kPreSymbols];
    for (size_t i = 0; i < kPreSymbols;) {
        if ((st = input_.ensure()) != Status::Ok) {
            return st;
        }
        c.refill();
        const uint32_t v = c.get(4);
        if (v != 15) {
            preLengths[i++] = static_cast<uint8_t>(v);
            continue;
        }
        const uint32_t zeros = c.get(4);
        if (zeros == 0) {
            preLengths[i++] = 15;
            continue;
        }
        for (uint32_t n = zeros + 2; n > 0 && i < kPreSymbols; --n) {
            preLengths[i++] = 0;
        }
    }
    HuffmanTable<kPreSymbols, 7> pre;
    if (!pre.build(preLengths)) {
        return Status::BadData;
    }

    uint8_t lengths[kTableLengths];
    for (size_t i = 0; i < kTableLengths;) {
        if ((st = input_.ensure()) != Status::Ok) {
            return st;
        }
        c.refill();
        const uint32_t s = pre.decode(c);
        if (s < 16) {
            lengths[i] = static_cast<uint8_t>((oldLengths_[i] + s) & 0xF);
            ++i;
        } else if (s < 18) {
            if (i == 0) {
                return Status::BadData;
            }
            uint32_t n = s == 16 ? c.get(3) + 3 : c.get(7) + 11;
            for (; n > 0 && i < kTableLengths; --n, ++i) {
                lengths[i] = lengths[i - 1];
            }
        } else if (s < 20) {
            uint32_t n = s == 18 ? c.get(3) + 3 : c.get(7) + 11;
            for (; n > 0 && i < kTableLengths; --n, ++i) {
                lengths[i] = 0;
            }
        } else {
            return Status::BadData;
        }
    }
    if ((st = input_.ensure()) != Status::Ok) {
        return st;
    }
    const uint8_t* l = lengths;
    if (!main_.build(l) || !dist_.build(l + kMainSymbols) ||
        !lowDist_.build(l + kMainSymbols + kDistSymbols) ||
        !rep_.build(l + kMainSymbols + kDistSymbols + kLowDistSymbols)) {
        return Status::BadData;
    }
    std::memcpy(oldLengths_, lengths, sizeof(lengths));
    tablesRead_ = true;
    return Status::Ok;
}

Status Unpack29::readFilterRecord() {
    BitCursor& c = input_.cur;
    Status st = Status::Ok;
    auto next = [&]() -> int {
        if ((st = input_.ensure()) != Status::Ok) {
            return -1;
        }
        c.refill();
        return static_cast<int>(c.get(8));
    };
    uint8_t first = 0;
    if (filters::readFilterRecord(next, first, filterBody_) != filters::FilterStatus::Ok) {
        return st != Status::Ok ? st : Status::BadData;
    }
    if ((st = input_.ensure()) != Status::Ok) {
        return st;
    }
    return toStatus(filters_.addRecord(first, filterBody_, window_.pos(), fileEnd_));
}

Status Unpack29::writeOut(bool entryDone, OutputSink* sink) {
    uint64_t written = window_.written();
    const filters::FilterStatus st = filters::flushThroughFilters(
        filters_, filters::WindowView{window_.data(), LzWindow::kMask}, window_.pos(), written, fileStart_,
        entryDone, [sink](const uint8_t* data, size_t size) {
            return sink ? static_cast<int>(sink->write(data, size)) : 0;
        });
    window_.setWritten(written);
    return toStatus(st);
}

Status Unpack29::decodeLzStep(bool& endOfEntry) {
    BitCursor c = input_.cur;
    uint8_t* const win = window_.data();
    uint64_t pos = window_.pos();
    const uint64_t stop = window_.prepare(window_.written() + kFlushStep);
    Status result = Status::Ok;

    // Hands the cursor and position to the member functions that take over the input.
    auto sync = [&] {
        input_.cur = c;
        window_.setPos(pos);
    };
    auto reload = [&] {
        c = input_.cur;
        pos = window_.pos();
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
        const uint32_t sym = main_.decode(c);
        if (sym < 256) {
            win[pos & LzWindow::kMask] = static_cast<uint8_t>(sym);
            ++pos;
            continue;
        }
        if (sym >= 271) {
            if (sym >= kMainSymbols) {
                result = Status::BadData;
                break;
            }
            const uint32_t slot = sym - 271;
            uint32_t length = kLengthBase[slot] + 3 + c.get(kLengthBits[slot]);
            c.refill();
            const uint32_t ds = dist_.decode(c);
            if (ds >= kDistSymbols) {
                result = Status::BadData;
                break;
            }
            uint32_t dist = kDistance.base[ds] + 1;
            const unsigned bits = kDistance.bits[ds];
            if (ds > 9) {
                if (bits > 4) {
                    dist += c.get(bits - 4) << 4;
                }
                if (lowDistRepCount_ > 0) {
                    --lowDistRepCount_;
                    dist += prevLowDist_;
                } else {
                    const uint32_t low = lowDist_.decode(c);
                    if (low == 16) {
                        lowDistRepCount_ = 15;
                        dist += prevLowDist_;
                    } else if (low < 16) {
                        dist += low;
                        prevLowDist_ = low;
                    } else {
                        result = Status::BadData;
                        break;
                    }
                }
            } else {
                dist += c.get(bits);
            }
            if (dist >= 0x2000) {
                ++length;
                if (dist >= 0x40000) {
                    ++length;
                }
            }
            oldDist_[3] = oldDist_[2];
            oldDist_[2] = oldDist_[1];
            oldDist_[1] = oldDist_[0];
            oldDist_[0] = dist;
            lastLength_ = length;
            if (!distanceValid(dist, pos)) {
                result = Status::BadData;
                break;
            }
            LzWindow::copyMatch(win, pos, dist, length);
            pos += length;
            continue;
        }
        if (sym == 256) {
            if (c.get(1) != 0) {
                sync();
                result = readTables();
                reload();
                if (result != Status::Ok || ppmBlock_) {
                    break;
                }
                continue;
            }
            tablesRead_ = c.get(1) == 0;
            endOfEntry = true;
            break;
        }
        if (sym == 257) {
            sync();
            result = readFilterRecord();
            reload();
            if (result != Status::Ok) {
                break;
            }
            continue;
        }
        if (sym == 258) {
            if (lastLength_ != 0) {
                if (!distanceValid(oldDist_[0], pos)) {
                    result = Status::BadData;
                    break;
                }
                LzWindow::copyMatch(win, pos, oldDist_[0], lastLength_);
                pos += lastLength_;
            }
            continue;
        }
        if (sym < 263) {
            const uint32_t k = sym - 259;
            const uint32_t dist = oldDist_[k];
            for (uint32_t i = k; i > 0; --i) {
                oldDist_[i] = oldDist_[i - 1];
            }
            oldDist_[0] = dist;
            const uint32_t slot = rep_.decode(c);
            if (slot >= kRepSymbols) {
                result = Status::BadData;
                break;
            }
            const uint32_t length = kLengthBase[slot] + 2 + c.get(kLengthBits[slot]);
            lastLength_ = length;
            if (!distanceValid(dist, pos)) {
                result = Status::BadData;
                break;
            }
            LzWindow::copyMatch(win, pos, dist, length);
            pos += length;
            continue;
        }
        const uint32_t k = sym - 263;
        const uint32_t dist = kShortBase[k] + 1 + c.get(kShortBits[k]);
        oldDist_[3] = oldDist_[2];
        oldDist_[2] = oldDist_[1];
        oldDist_[1] = oldDist_[0];
        oldDist_[0] = dist;
        lastLength_ = 2;
        if (!distanceValid(dist, pos)) {
            result = Status::BadData;
            break;
        }
        LzWindow::copyMatch(win, pos, dist, 2);
        pos += 2;
    }
    sync();
    return result;
}

Status Unpack29::decodeEntry(ByteSource& input, uint64_t unpSize, bool sizeKnown, bool solid,
                             OutputSink* sink) {
    if (!window_.allocated()) {
        return Status::NoMemory;
    }
    if (!solid) {
        resetStream();
    }
    filters_.startEntry(solid);
    fileStart_ = window_.pos();
    fileEnd_ = sizeKnown ? fileStart_ + unpSize : UINT64_MAX;
    Status st = input_.start(input);
    if (st != Status::Ok) {
        return st;
    }
    if (!solid || !tablesRead_) {
        if ((st = readTables()) != Status::Ok) {
            return st;
        }
    }
    bool end = false;
    while (!end) {
        st = ppmBlock_ ? decodePpmStep(end) : decodeLzStep(end);
        if (st != Status::Ok) {
            return st;
        }
        // A stream that keeps producing past the entry's size is corrupt; nothing beyond it is written.
        if (window_.pos() > fileEnd_) {
            return Status::BadData;
        }
        if ((st = writeOut(end, sink)) != Status::Ok) {
            return st;
        }
    }
    if (input_.overrun()) {
        return Status::BadData;
    }
    if (sizeKnown && window_.pos() - fileStart_ != unpSize) {
        return Status::BadData;
    }
    return Status::Ok;
}

} // namespace rarlib
