#include "unpack15/Unpack15.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace rarlib {
namespace {

using namespace lz15;

// Longest copy: a long match of 255 + 3 and the +8 for distances up to 256.
constexpr uint32_t kMaxCopy = 255 + 3 + 8;
static_assert(kMaxCopy <= LzWindow::kMaxStepBytes);

// Counts of the literal ordering are regrouped before one reaches this.
constexpr unsigned kLiteralCountLimit = 0xA2;
constexpr unsigned kWrapLimit = 256;

} // namespace

Unpack15::Unpack15() {
    resetStream();
}

void Unpack15::resetStream() {
    window_.resetStream();
    written_ = 0;
    uint8_t order[256];
    for (unsigned i = 0; i < 256; ++i) {
        order[i] = static_cast<uint8_t>(i);
        shortPlaces_[i] = static_cast<uint8_t>(i);
    }
    literals_.init(order);
    distances_.init(order);
    distances_.regroup();
    // Flag bytes start in the order 0, 255, 254, ... 1.
    for (unsigned i = 0; i < 256; ++i) {
        order[i] = static_cast<uint8_t>(256 - i);
    }
    flagBytes_.init(order);
    std::memset(oldDist_, 0, sizeof(oldDist_));
    oldDistPtr_ = 0;
    lastDist_ = 0;
    lastLength_ = 0;
    avrPlcB_ = avrLn1_ = avrLn2_ = avrLn3_ = 0;
    literalRun_ = 0;
    flexible_ = 0;
    avrPlc_ = 0x3500;
    maxDist3_ = 0x2001;
    literalWeight_ = matchWeight_ = 0x80;
    pending_ = Status::Ok;
}

uint32_t Unpack15::readCode(const StepCode& code) {
    BitCursor& c = input_.cur;
    const uint32_t v = c.peek(16) & 0xFFF0;
    unsigned i = 0;
    while (code.limits[i] <= v) {
        ++i;
    }
    const unsigned bits = code.firstBits + i;
    c.skip(bits);
    return ((v - (i > 0 ? code.limits[i - 1] : 0)) >> (16 - bits)) + code.base[bits];
}

bool Unpack15::readFlags() {
    const uint32_t place = readCode(kPlace2);
    // The code has a 257th value, which no flag byte has.
    if (place > 255) {
        return false;
    }
    flags_ = static_cast<uint8_t>(flagBytes_.use(place, kWrapLimit) >> 8);
    return true;
}

bool Unpack15::nextFlag() {
    const bool set = (flags_ & 0x80) != 0;
    flags_ = static_cast<uint8_t>(flags_ << 1);
    return set;
}

void Unpack15::remember(uint32_t dist, uint32_t length) {
    oldDist_[oldDistPtr_] = dist;
    oldDistPtr_ = (oldDistPtr_ + 1) & 3;
    lastDist_ = dist;
    lastLength_ = length;
}

bool Unpack15::copy(uint32_t dist, uint32_t length) {
    if (length == 0) {
        return true;
    }
    // Neither before the stream start nor past the entry's end.
    if (dist == 0 || dist > pos_ || length > fileEnd_ - pos_) {
        return false;
    }
    LzWindow::copyMatch(window_.data(), pos_, dist, length);
    pos_ += length;
    return true;
}

bool Unpack15::literal() {
    BitCursor& c = input_.cur;
    const uint32_t lookahead = c.peek(16);
    const StepCode& code = avrPlc_ > 0x75FF   ? kPlace4
                           : avrPlc_ > 0x5DFF ? kPlace3
                           : avrPlc_ > 0x35FF ? kPlace2
                           : avrPlc_ > 0x0DFF ? kPlace1
                                              : kPlace0;
    unsigned place = readCode(code) & 0xFF;
    if (literalMode_) {
        // Places count from 1 here; 0 (which the shortest codes give) escapes. The 257th value of the
        // code wraps to 0 above and stands for the last place.
        if (place == 0 && lookahead > 0xFFF) {
            place = 0x100;
        }
        if (place == 0) {
            const uint32_t bits = c.peek(16);
            c.skip(1);
            if (bits & 0x8000) {
                literalMode_ = false;
                literalRun_ = 0;
                return true;
            }
            c.skip(1);
            const uint32_t length = (bits & 0x4000) ? 4 : 3;
            uint32_t dist = readCode(kPlace2) << 5;
            dist |= c.get(5);
            return copy(dist, length);
        }
        --place;
    } else if (literalRun_++ >= 16 && flagsLeft_ == 0) {
        literalMode_ = true;
    }
    avrPlc_ += place;
    avrPlc_ -= avrPlc_ >> 8;
    literalWeight_ += 16;
    if (literalWeight_ > 0xFF) {
        literalWeight_ = 0x90;
        matchWeight_ >>= 1;
    }
    if (pos_ >= fileEnd_) {
        return false;
    }
    window_.data()[pos_ & LzWindow::kMask] = literals_.valueAt(place);
    ++pos_;
    literals_.use(place, kLiteralCountLimit);
    return true;
}

bool Unpack15::shortMatch() {
    BitCursor& c = input_.cur;
    literalRun_ = 0;
    uint32_t bits = c.peek(16);
    if (repeats_ == 2) {
        c.skip(1);
        if (bits >= 0x8000) {
            return copy(lastDist_, lastLength_);
        }
        bits <<= 1;
        repeats_ = 0;
    }
    bits = (bits >> 8) & 0xFF;
    const bool first = avrLn1_ < 37;
    const uint8_t* lengths = first ? kShortLengths1 : kShortLengths2;
    const uint8_t* patterns = first ? kShortPatterns1 : kShortPatterns2;
    unsigned code = 0;
    unsigned codeBits = 0;
    for (;; ++code) {
        if (code == 15) {
            return false; // the codes are complete; kept as a guard
        }
        codeBits = lengths[code] == kFlexible ? flexible_ + 3 : lengths[code];
        if (((bits ^ patterns[code]) & (0xFF00 >> codeBits) & 0xFF) == 0) {
            break;
        }
    }
    c.skip(codeBits);

    if (code >= 9) {
        if (code == 9) {
            ++repeats_;
            return copy(lastDist_, lastLength_);
        }
        repeats_ = 0;
        if (code == 14) {
            const uint32_t length = readCode(kLength2) + 5;
            const uint32_t dist = (c.peek(16) >> 1) | 0x8000;
            c.skip(15);
            lastLength_ = length;
            lastDist_ = dist;
            return copy(dist, length);
        }
        // Codes 10-13: one of the last four distances.
        const uint32_t dist = oldDist_[(oldDistPtr_ - (code - 9)) & 3];
        uint32_t length = readCode(kLength1) + 2;
        if (length == 0x101 && code == 10) {
            flexible_ ^= 1;
            return true;
        }
        if (dist > 256) {
            ++length;
        }
        if (dist >= maxDist3_) {
            ++length;
        }
        remember(dist, length);
        return copy(dist, length);
    }

    repeats_ = 0;
    avrLn1_ += code;
    avrLn1_ -= avrLn1_ >> 4;
    const unsigned place = readCode(kPlace2) & 0xFF;
    const uint32_t value = shortPlaces_[place];
    if (place > 0) {
        shortPlaces_[place] = shortPlaces_[place - 1];
        shortPlaces_[place - 1] = static_cast<uint8_t>(value);
    }
    const uint32_t dist = value + 1;
    const uint32_t length = code + 2;
    remember(dist, length);
    return copy(dist, length);
}

bool Unpack15::longMatch() {
    BitCursor& c = input_.cur;
    literalRun_ = 0;
    matchWeight_ += 16;
    if (matchWeight_ > 0xFF) {
        matchWeight_ = 0x90;
        literalWeight_ >>= 1;
    }
    const uint32_t oldAvr2 = avrLn2_;
    uint32_t length;
    if (avrLn2_ >= 122) {
        length = readCode(kLength2);
    } else if (avrLn2_ >= 64) {
        length = readCode(kLength1);
    } else {
        const uint32_t bits = c.peek(16);
        if (bits < 0x100) {
            length = bits;
            c.skip(16);
        } else {
            // Unary: the number of zero bits before the first one.
            length = static_cast<uint32_t>(std::countl_zero(static_cast<uint16_t>(bits)));
            c.skip(length + 1);
        }
    }
    avrLn2_ += length;
    avrLn2_ -= avrLn2_ >> 5;

    const uint32_t place = avrPlcB_ > 0x28FF  ? readCode(kPlace2)
                           : avrPlcB_ > 0x6FF ? readCode(kPlace1)
                                              : readCode(kPlace0);
    avrPlcB_ += place;
    avrPlcB_ -= avrPlcB_ >> 8;
    const uint16_t slot = distances_.use(place & 0xFF, kWrapLimit);
    const uint32_t dist = ((slot & 0xFF00) | (c.peek(16) >> 8)) >> 1;
    c.skip(7);

    const uint32_t oldAvr3 = avrLn3_;
    if (length != 1 && length != 4) {
        if (length == 0 && dist <= maxDist3_) {
            ++avrLn3_;
            avrLn3_ -= avrLn3_ >> 8;
        } else if (avrLn3_ > 0) {
            --avrLn3_;
        }
    }
    length += 3;
    if (dist >= maxDist3_) {
        ++length;
    }
    if (dist <= 256) {
        length += 8;
    }
    maxDist3_ = (oldAvr3 > 0xB0 || (avrPlc_ >= 0x2A00 && oldAvr2 < 0x40)) ? 0x7F00 : 0x2001;
    remember(dist, length);
    return copy(dist, length);
}

// Decodes until about kFlushStep bytes are pending, the entry is complete, or an error.
Status Unpack15::decodeStep(uint64_t fileEnd) {
    pos_ = window_.pos();
    fileEnd_ = fileEnd;
    const uint64_t stop = std::min(window_.prepare(written_ + kFlushStep), fileEnd);
    Status result = Status::Ok;
    while (pos_ < stop) {
        // One step reads at most 48 bits: a flag byte and the longest operation.
        if ((result = input_.ensure()) != Status::Ok) {
            break;
        }
        input_.cur.refill();
        bool ok;
        if (literalMode_) {
            ok = literal();
        } else {
            ok = true;
            if (--flagsLeft_ < 0) {
                ok = readFlags();
                flagsLeft_ = 7;
            }
            // Flag 1: the favoured one of literal and long match; 01: the other; 00: a short match.
            if (!ok) {
            } else if (nextFlag()) {
                ok = matchWeight_ > literalWeight_ ? longMatch() : literal();
            } else {
                if (--flagsLeft_ < 0) {
                    ok = readFlags();
                    flagsLeft_ = 7;
                }
                if (!ok) {
                } else if (nextFlag()) {
                    ok = matchWeight_ > literalWeight_ ? literal() : longMatch();
                } else {
                    ok = shortMatch();
                }
            }
        }
        if (!ok) {
            result = Status::BadData;
            break;
        }
    }
    window_.setPos(pos_);
    return result;
}

Status Unpack15::flush(OutputSink* sink) {
    return writeWindow(window_, written_, sink);
}

Status Unpack15::decodeEntry(ByteSource& input, uint64_t unpSize, bool sizeKnown, bool solid,
                             OutputSink* sink) {
    if (!window_.allocated()) {
        return Status::NoMemory;
    }
    if (!solid) {
        resetStream();
    } else if (pending_ != Status::Ok) {
        return pending_;
    }
    const Status st = decodeBody(input, unpSize, sizeKnown, sink);
    if (st != Status::Ok) {
        pending_ = st;
    }
    return st;
}

Status Unpack15::decodeBody(ByteSource& input, uint64_t unpSize, bool sizeKnown, OutputSink* sink) {
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
    // Every entry starts with a flag byte (if it has any data), also inside a solid stream.
    flagsLeft_ = 0;
    flags_ = 0;
    literalMode_ = false;
    repeats_ = 0;
    if (unpSize > 0) {
        if ((st = input_.ensure()) != Status::Ok) {
            return st;
        }
        input_.cur.refill();
        if (!readFlags()) {
            return Status::BadData;
        }
        flagsLeft_ = 8;
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
    return Status::Ok;
}

} // namespace rarlib
