// PPMd variant H decoder for the PPM blocks of the 2.9 format.
//
// Use: when a block header's first bit is 1, hand the reader positioned at that (aligned) byte to
// decodeInit(); then call decodeChar() for each symbol (or decodePpmCommand() of PpmdCommands.h,
// which also interprets the escape codes). The reader is left right after the last byte consumed,
// where the next LZ block header starts. The model persists between blocks and across solid
// entries; call reset() at the start of a non-solid entry. After any error the model is unusable
// until a block header restarts it.
#pragma once

#include "ppmd/ByteInput.h"
#include "ppmd/PpmdContextModel.h"
#include "ppmd/PpmdRangeDecoder.h"

#include <cstdint>

namespace rarlib::ppmd {

// The values are the C interface's ERAR_* codes.
enum class PpmdStatus : uint8_t {
    Ok = 0,
    NoMemory = 11, // the block's model size is above the limit, or the heap could not be allocated
    BadData = 12,  // corrupt or truncated stream, or a block that keeps a model there is none of
};

class PpmdModel {
public:
    static constexpr uint32_t kFormatMaxHeapMB = 256;
    static constexpr int kInitialEscChar = 2;

    // heapLimitMB bounds the model memory a stream may ask for (the format allows 1..256 MB).
    explicit PpmdModel(uint32_t heapLimitMB = kFormatMaxHeapMB) : heapLimitMB_(heapLimitMB) {}

    // Start of a non-solid entry: forget the model and the escape character; the heap stays
    // allocated for the next block of the same size.
    void reset() {
        ready_ = hasModel_ = false;
        escChar_ = kInitialEscChar;
        status_ = PpmdStatus::Ok;
    }
    void releaseMemory() {
        model_.heap.release();
        ready_ = hasModel_ = false;
    }

    // Reads a PPM block header (flags byte included) and starts the range decoder; restarts the
    // model when the header asks for it.
    template <ByteInput R> PpmdStatus decodeInit(R& in);

    // The next symbol 0..255, or -1 on corrupt data (status() then says BadData) or when no block
    // is ready (status() keeps the error that stopped it).
    template <ByteInput R> int decodeChar(R& in) {
        if (!ready_)
            return fail(status_ == PpmdStatus::Ok ? PpmdStatus::BadData : status_);
        // Corrupt data stops the symbol where it is found (-1) or is noted by the part that found it
        // while the symbol's step ends without leaving the heap.
        const int symbol = decodeSymbol(in);
        if (symbol < 0 || model_.corrupt || model_.heap.broken() || rc_.failed())
            return fail(PpmdStatus::BadData);
        return symbol;
    }

    int escChar() const { return escChar_; }
    bool ready() const { return ready_; }
    PpmdStatus status() const { return status_; }
    unsigned maxOrder() const { return model_.maxOrder; }
    uint32_t heapSize() const { return model_.heap.heapSize(); }

private:
    int fail(PpmdStatus s) {
        ready_ = hasModel_ = false;
        status_ = s;
        return -1;
    }

    template <ByteInput R> int decodeSymbol(R& in);

    ContextModel model_;
    RangeDecoder rc_;
    uint32_t heapLimitMB_;
    int escChar_ = kInitialEscChar;
    bool ready_ = false;
    bool hasModel_ = false; // statistics a block without the restart flag may continue
    PpmdStatus status_ = PpmdStatus::Ok;
};

template <ByteInput R> PpmdStatus PpmdModel::decodeInit(R& in) {
    // Any failure below leaves no model to continue: a solid stream cannot recover from it.
    ready_ = false;
    const bool keep = hasModel_;
    hasModel_ = false;
    const int flags = in.getByte();
    if (flags < 0 || (flags & 0x80) == 0)
        return status_ = PpmdStatus::BadData;
    const bool restart = (flags & 0x20) != 0;
    const int maxMB = restart ? in.getByte() : 0;
    if (maxMB < 0)
        return status_ = PpmdStatus::BadData;
    if ((flags & 0x40) != 0) {
        const int esc = in.getByte();
        if (esc < 0)
            return status_ = PpmdStatus::BadData;
        escChar_ = esc;
    }
    if (!rc_.init(in))
        return status_ = PpmdStatus::BadData;

    if (restart) {
        unsigned order = (flags & 0x1F) + 1u;
        if (order > 16)
            order = 16 + (order - 16) * 3;
        if (order == 1)
            return status_ = PpmdStatus::BadData;
        const uint32_t heapMB = static_cast<uint32_t>(maxMB) + 1;
        if (heapMB > heapLimitMB_ || !model_.heap.reserve(heapMB << 20))
            return status_ = PpmdStatus::NoMemory;
        model_.startModel(order);
    } else if (!keep) {
        return status_ = PpmdStatus::BadData;
    }
    ready_ = hasModel_ = true;
    return status_ = PpmdStatus::Ok;
}

template <ByteInput R> int PpmdModel::decodeSymbol(R& in) {
    ContextModel& m = model_;
    uint32_t ctx = m.minContext;
    if (!m.checkContext(ctx))
        return -1;
    const unsigned ns = m.numStats(ctx);
    if (ns != 1) {
        uint32_t s = m.stats(ctx);
        const uint32_t scale = m.summFreq(ctx);
        const uint32_t count = rc_.getCount(scale);
        if (count >= scale)
            return -1;
        uint32_t hi = *m.at(s + 1);
        if (count < hi) {
            rc_.decode(0, hi);
            m.updateFirst(ctx, s);
        } else {
            m.prevSuccess = 0;
            unsigned left = ns - 1;
            for (;;) {
                s += kStateSize;
                const unsigned freq = *m.at(s + 1);
                hi += freq;
                if (hi > count) {
                    rc_.decode(hi - freq, freq);
                    m.updateOther(ctx, s);
                    break;
                }
                if (--left == 0) {
                    rc_.decode(hi, scale - hi);
                    m.escapeFirst(ctx);
                    break;
                }
            }
        }
    } else {
        uint16_t& prob = m.binaryProb(ctx);
        if (m.corrupt)
            return -1;
        if (rc_.getShiftCount(kTotBits) < prob) {
            rc_.decode(0, prob);
            m.binaryHit(ctx, prob);
        } else {
            rc_.decode(prob, kBinScale - prob);
            m.binaryMiss(ctx, prob);
        }
    }

    while (m.foundState == 0) {
        rc_.normalize(in);
        ctx = m.escapeToSuffix();
        if (ctx == 0)
            return -1;
        const unsigned ctxStats = m.numStats(ctx);
        unsigned escFreq;
        See* see = m.makeEscFreq(ctx, ctxStats - m.numMasked, escFreq);
        // Branch-free, since whether a state is excluded is unpredictable.
        const uint8_t* candidates[256];
        unsigned n = 0;
        uint32_t hi = 0;
        const uint8_t* p = m.at(m.stats(ctx));
        for (const uint8_t* const end = p + ctxStats * kStateSize; p != end; p += kStateSize) {
            const uint32_t take = m.candidateMask(p[0]); // all ones or zero
            hi += p[1] & take;
            candidates[n] = p;
            n -= take;
        }
        const uint32_t scale = hi + escFreq;
        const uint32_t count = rc_.getCount(scale);
        if (count >= scale)
            return -1;
        if (count < hi) {
            uint32_t acc = 0;
            unsigned k = 0;
            while ((acc += candidates[k][1]) <= count)
                ++k;
            const unsigned freq = candidates[k][1];
            rc_.decode(acc - freq, freq);
            see->update();
            m.updateEscaped(ctx, m.offsetOf(candidates[k]));
        } else {
            rc_.decode(hi, scale - hi);
            for (unsigned k = 0; k < n; ++k)
                m.exclude(candidates[k][0]);
            m.numMasked = ctxStats;
            see->summ = static_cast<uint16_t>(see->summ + scale);
        }
    }

    const int symbol = m.foundSymbol();
    m.nextContext();
    rc_.normalize(in);
    return symbol;
}

} // namespace rarlib::ppmd
