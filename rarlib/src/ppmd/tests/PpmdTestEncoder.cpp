#include "PpmdTestEncoder.h"

#include <stdexcept>

namespace rarlib::testing {

using namespace ppmd;

void PpmdTestEncoder::startBlock(bool restart, unsigned order, unsigned heapMB, int escChar) {
    uint8_t flags = 0x80;
    if (restart) {
        const unsigned code = order <= 16 ? order - 1 : 16 + (order - 16) / 3 - 1;
        flags |= 0x20 | static_cast<uint8_t>(code);
    }
    if (escChar >= 0)
        flags |= 0x40;
    out_.push_back(flags);
    if (restart)
        out_.push_back(static_cast<uint8_t>(heapMB - 1));
    if (escChar >= 0) {
        escChar_ = static_cast<uint8_t>(escChar);
        out_.push_back(escChar_);
    }
    low_ = 0;
    range_ = 0xFFFFFFFF;
    if (restart) {
        if (!model_.heap.reserve(heapMB << 20))
            throw std::runtime_error("no memory for the test model");
        model_.startModel(order <= 16 ? order : 16 + (order - 16) / 3 * 3);
    }
}

void PpmdTestEncoder::literal(uint8_t byte) {
    symbol(byte);
    if (byte == escChar_)
        symbol(1);
}

void PpmdTestEncoder::match(uint32_t length, uint32_t distance) {
    symbol(escChar_);
    if (distance == 1) {
        symbol(5);
        symbol(static_cast<uint8_t>(length - 4));
        return;
    }
    symbol(4);
    const uint32_t d = distance - 2;
    symbol(static_cast<uint8_t>(d >> 16));
    symbol(static_cast<uint8_t>(d >> 8));
    symbol(static_cast<uint8_t>(d));
    symbol(static_cast<uint8_t>(length - 32));
}

void PpmdTestEncoder::endBlock() {
    symbol(escChar_);
    symbol(0);
    flush();
}

void PpmdTestEncoder::endFile() {
    symbol(escChar_);
    symbol(2);
    flush();
}

void PpmdTestEncoder::encode(uint32_t start, uint32_t size, uint32_t total) {
    range_ /= total;
    low_ += start * range_;
    range_ *= size;
}

void PpmdTestEncoder::encodeBinary(uint32_t start, uint32_t size) {
    range_ >>= kTotBits;
    low_ += start * range_;
    range_ *= size;
}

void PpmdTestEncoder::normalize() {
    for (;;) {
        if ((low_ ^ (low_ + range_)) >= (1u << 24)) {
            if (range_ >= (1u << 15))
                return;
            range_ = (0u - low_) & ((1u << 15) - 1);
        }
        out_.push_back(static_cast<uint8_t>(low_ >> 24));
        low_ <<= 8;
        range_ <<= 8;
    }
}

void PpmdTestEncoder::flush() {
    for (int i = 0; i < 4; ++i) {
        out_.push_back(static_cast<uint8_t>(low_ >> 24));
        low_ <<= 8;
    }
}

void PpmdTestEncoder::symbol(uint8_t sym) {
    ContextModel& m = model_;
    const uint32_t textBefore = m.heap.text;
    uint32_t ctx = m.minContext;
    m.checkContext(ctx);
    const unsigned ns = m.numStats(ctx);
    if (ns != 1) {
        uint32_t s = m.stats(ctx);
        const uint32_t scale = m.summFreq(ctx);
        uint32_t lo = 0;
        unsigned i = 0;
        while (i < ns && *m.at(s) != sym) {
            lo += *m.at(s + 1);
            s += kStateSize;
            ++i;
        }
        if (i == 0) {
            encode(0, *m.at(s + 1), scale);
            m.updateFirst(ctx, s);
        } else {
            m.prevSuccess = 0;
            if (i < ns) {
                encode(lo, *m.at(s + 1), scale);
                m.updateOther(ctx, s);
            } else {
                encode(lo, scale - lo, scale);
                m.escapeFirst(ctx);
            }
        }
    } else {
        uint16_t& prob = m.binaryProb(ctx);
        if (*m.at(ContextModel::oneState(ctx)) == sym) {
            encodeBinary(0, prob);
            m.binaryHit(ctx, prob);
        } else {
            encodeBinary(prob, kBinScale - prob);
            m.binaryMiss(ctx, prob);
        }
    }
    while (m.foundState == 0) {
        normalize();
        ctx = m.escapeToSuffix();
        const unsigned ctxStats = m.numStats(ctx);
        unsigned escFreq;
        See* see = m.makeEscFreq(ctx, ctxStats - m.numMasked, escFreq);
        uint32_t hi = 0;
        uint32_t lo = 0;
        uint32_t found = 0;
        uint32_t s = m.stats(ctx);
        for (unsigned i = 0; i < ctxStats; ++i, s += kStateSize) {
            if (m.masked(*m.at(s)))
                continue;
            if (*m.at(s) == sym) {
                found = s;
                lo = hi;
            }
            hi += *m.at(s + 1);
        }
        const uint32_t scale = hi + escFreq;
        if (found != 0) {
            encode(lo, *m.at(found + 1), scale);
            see->update();
            m.updateEscaped(ctx, found);
        } else {
            encode(hi, escFreq, scale);
            s = m.stats(ctx);
            for (unsigned i = 0; i < ctxStats; ++i, s += kStateSize)
                m.exclude(*m.at(s));
            m.numMasked = ctxStats;
            see->summ = static_cast<uint16_t>(see->summ + scale);
        }
    }
    m.nextContext();
    normalize();
    if (m.heap.text == 0 && textBefore > 1)
        ++restarts_;
}

} // namespace rarlib::testing
