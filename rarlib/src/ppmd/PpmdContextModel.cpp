#include "ppmd/PpmdContextModel.h"

#include <algorithm>
#include <cstring>

namespace rarlib::ppmd {

namespace {

constexpr ModelTables makeModelTables() {
    ModelTables t{};
    // Escape-estimate rows by number of candidate symbols: 0, 1, 2, then 3 once, 4 twice, 5 three
    // times, ... so that large contexts share rows.
    t.ns2Indx[0] = 0;
    t.ns2Indx[1] = 1;
    t.ns2Indx[2] = 2;
    for (unsigned i = 3, v = 3, run = 1; i < 256; ++v, ++run)
        for (unsigned k = 0; k < run && i < 256; ++k)
            t.ns2Indx[i++] = static_cast<uint8_t>(v);
    for (unsigned i = 0; i < 256; ++i) {
        t.ns2BSIndx[i] = static_cast<uint8_t>(i == 0 ? 0 : i == 1 ? 2 : i <= 10 ? 4 : 6);
        t.hb2Flag[i] = static_cast<uint8_t>(i < 0x40 ? 0 : 8);
    }
    return t;
}

static_assert(makeModelTables().ns2Indx[3] == 3 && makeModelTables().ns2Indx[5] == 4);
static_assert(makeModelTables().ns2Indx[233] == 23 && makeModelTables().ns2Indx[234] == 24);
static_assert(makeModelTables().ns2Indx[255] == 24);

constexpr uint16_t kInitBinEsc[8] = {0x3CDD, 0x1F3F, 0x59BF, 0x48F3, 0x64A1, 0x5ABC, 0x6632, 0x6051};
constexpr uint8_t kExpEscape[16] = {25, 14, 9, 7, 5, 5, 4, 4, 4, 3, 3, 3, 2, 2, 2, 2};

// Suffix chains are at most kMaxOrder long; a longer walk means the references loop.
constexpr unsigned kMaxChain = 255;

void swapStates(uint8_t* a, uint8_t* b) {
    uint8_t t[kStateSize];
    std::memcpy(t, a, kStateSize);
    std::memcpy(a, b, kStateSize);
    std::memcpy(b, t, kStateSize);
}

} // namespace

const ModelTables kModelTables = makeModelTables();

void ContextModel::restartModel() {
    heap.init();
    initRL = -static_cast<int32_t>(std::min(maxOrder, 12u)) - 1;

    const uint32_t root = heap.allocContext();
    store16(at(root), 256);
    setSummFreq(root, 257);
    store32(at(root + 8), 0);
    const uint32_t st = heap.allocUnits(kMaxUnits);
    store32(at(root + 4), st);
    for (unsigned s = 0; s < 256; ++s) {
        uint8_t* p = at(st + s * kStateSize);
        p[0] = static_cast<uint8_t>(s);
        p[1] = 1;
        store32(p + 2, 0);
    }
    minContext = maxContext = root;
    foundState = st;
    orderFall = maxOrder;
    runLength = initRL;
    prevSuccess = 0;
    initEsc = 0;
    hiBitsFlag = 0;
    numMasked = 0;

    for (unsigned i = 0; i < 128; ++i)
        for (unsigned k = 0; k < 8; ++k)
            for (unsigned m = 0; m < 64; m += 8)
                binSumm_[i][k + m] = static_cast<uint16_t>(kBinScale - kInitBinEsc[k] / (i + 2));
    for (unsigned i = 0; i < 25; ++i)
        for (auto& s : see_[i])
            s = See{static_cast<uint16_t>((5 * i + 10) << 3), 3, 4};
    dummySee_ = See{0, kPeriodBits, 64};
}

// ctx has passed checkContext. A shorter context always holds the symbols of the longer ones; when
// it does not, the model is corrupt and the first state (a valid one) stands in.
uint32_t ContextModel::findState(uint32_t ctx, uint8_t symbol) {
    const uint8_t* const base = heap.base();
    const uint8_t* p = base + stats(ctx);
    for (const uint8_t* const end = p + numStats(ctx) * kStateSize; p != end; p += kStateSize)
        if (*p == symbol)
            return static_cast<uint32_t>(p - base);
    markCorrupt();
    return stats(ctx);
}

void ContextModel::updateFirst(uint32_t ctx, uint32_t s) {
    uint8_t* p = at(s);
    const unsigned hi = p[1];
    prevSuccess = 2 * hi > summFreq(ctx);
    addRunLength(prevSuccess);
    foundState = s;
    p[1] = static_cast<uint8_t>(hi + 4);
    setSummFreq(ctx, summFreq(ctx) + 4);
    if (hi + 4 > kMaxFreq)
        rescale(ctx);
}

void ContextModel::updateOther(uint32_t ctx, uint32_t s) {
    uint8_t* p = at(s);
    foundState = s;
    p[1] = static_cast<uint8_t>(p[1] + 4);
    setSummFreq(ctx, summFreq(ctx) + 4);
    if (p[1] > (p - kStateSize)[1]) {
        swapStates(p, p - kStateSize);
        foundState = s - kStateSize;
        if ((p - kStateSize)[1] > kMaxFreq)
            rescale(ctx);
    }
}

void ContextModel::escapeFirst(uint32_t ctx) {
    hiBitsFlag = kModelTables.hb2Flag[foundSymbol()];
    newMask();
    const unsigned ns = numStats(ctx);
    const uint8_t* p = at(stats(ctx));
    for (unsigned i = 0; i < ns; ++i, p += kStateSize)
        exclude(*p);
    numMasked = ns;
    foundState = 0;
}

void ContextModel::updateEscaped(uint32_t ctx, uint32_t s) {
    uint8_t* p = at(s);
    foundState = s;
    p[1] = static_cast<uint8_t>(p[1] + 4);
    setSummFreq(ctx, summFreq(ctx) + 4);
    if (p[1] > kMaxFreq)
        rescale(ctx);
    runLength = initRL;
}

uint16_t& ContextModel::binaryProb(uint32_t ctx) {
    const uint8_t* rs = at(oneState(ctx));
    hiBitsFlag = kModelTables.hb2Flag[foundSymbol()];
    const uint32_t suff = suffix(ctx);
    if (suff <= heap.text || suff > heap.heapSize() - kUnitSize) {
        markCorrupt();
        return corruptProb_;
    }
    const unsigned suffStats = numStats(suff);
    const unsigned freq = rs[1];
    if (suffStats - 1 >= 256 || freq - 1 >= 128) {
        markCorrupt();
        return corruptProb_;
    }
    // Bit 5 of the index is set while RunLength is negative.
    const unsigned idx = prevSuccess + kModelTables.ns2BSIndx[suffStats - 1] + hiBitsFlag +
                         2 * kModelTables.hb2Flag[rs[0]] + ((static_cast<uint32_t>(runLength) >> 26) & 0x20);
    return binSumm_[freq - 1][idx];
}

void ContextModel::binaryHit(uint32_t ctx, uint16_t& prob) {
    uint8_t* rs = at(oneState(ctx));
    foundState = oneState(ctx);
    if (rs[1] < 128)
        ++rs[1];
    prob = static_cast<uint16_t>(prob + kInterval - ((prob + 32) >> 7));
    prevSuccess = 1;
    addRunLength(1);
}

void ContextModel::binaryMiss(uint32_t ctx, uint16_t& prob) {
    prob = static_cast<uint16_t>(prob - ((prob + 32) >> 7));
    initEsc = kExpEscape[prob >> 10];
    newMask();
    exclude(*at(oneState(ctx)));
    numMasked = 1;
    prevSuccess = 0;
    foundState = 0;
}

uint32_t ContextModel::escapeToSuffix() {
    uint32_t ctx = minContext;
    unsigned steps = 0;
    do {
        ++orderFall;
        ctx = suffix(ctx);
        // Past the root no symbol is left; a longer walk means the references loop.
        if (ctx == 0 || ++steps > kMaxChain || !checkContext(ctx))
            return markCorrupt();
    } while (numStats(ctx) == numMasked);
    if (numStats(ctx) < numMasked)
        return markCorrupt();
    minContext = ctx;
    return ctx;
}

See* ContextModel::makeEscFreq(uint32_t ctx, unsigned diff, unsigned& escFreq) {
    const unsigned ns = numStats(ctx);
    if (ns == 256) {
        escFreq = 1;
        return &dummySee_;
    }
    // The root may have lost states to rescaling; its "suffix" is then the record at offset 0,
    // which is inside the heap, as the reference coder reads it.
    const unsigned suffStats = numStats(suffix(ctx) <= heap.heapSize() - kUnitSize ? suffix(ctx) : 0);
    See* see = &see_[kModelTables.ns2Indx[diff - 1]][(diff < static_cast<uint32_t>(suffStats - ns)) +
                                                     2 * (summFreq(ctx) < 11 * ns) + 4 * (numMasked > diff) +
                                                     hiBitsFlag];
    escFreq = see->mean();
    return see;
}

void ContextModel::rescale(uint32_t ctx) {
    const unsigned n0 = numStats(ctx);
    const uint32_t statsOff = stats(ctx);
    uint8_t* const st = at(statsOff);

    for (uint8_t* s = at(foundState); s != st; s -= kStateSize)
        swapStates(s, s - kStateSize);
    st[1] = static_cast<uint8_t>(st[1] + 4);
    setSummFreq(ctx, summFreq(ctx) + 4);

    uint32_t esc = summFreq(ctx) - st[1];
    const unsigned adder = orderFall != 0;
    st[1] = static_cast<uint8_t>((st[1] + adder) >> 1);
    uint32_t sum = st[1];
    for (unsigned j = 1; j < n0; ++j) {
        uint8_t* s = st + j * kStateSize;
        esc -= s[1];
        s[1] = static_cast<uint8_t>((s[1] + adder) >> 1);
        sum += s[1];
        if (s[1] > (s - kStateSize)[1]) {
            // Keep the array sorted by falling frequency; equal ones keep their order.
            uint8_t moved[kStateSize];
            std::memcpy(moved, s, kStateSize);
            uint8_t* t = s;
            do {
                std::memcpy(t, t - kStateSize, kStateSize);
                t -= kStateSize;
            } while (t != st && moved[1] > (t - kStateSize)[1]);
            std::memcpy(t, moved, kStateSize);
        }
    }

    unsigned ns = n0;
    if (st[(n0 - 1) * kStateSize + 1] == 0) {
        unsigned zeros = 0;
        while (st[(n0 - 1 - zeros) * kStateSize + 1] == 0)
            ++zeros;
        esc += zeros;
        ns = n0 - zeros;
        store16(at(ctx), static_cast<uint16_t>(ns));
        if (ns == 1) {
            const uint8_t symbol = st[0];
            unsigned freq = st[1];
            const uint32_t succ = load32(st + 2);
            do {
                freq -= freq >> 1;
                esc >>= 1;
            } while (esc > 1);
            heap.freeUnits(statsOff, (n0 + 1) / 2);
            uint8_t* one = at(oneState(ctx));
            one[0] = symbol;
            one[1] = static_cast<uint8_t>(freq);
            store32(one + 2, succ);
            foundState = oneState(ctx);
            return;
        }
    }
    setSummFreq(ctx, sum + esc - (esc >> 1));
    if ((n0 + 1) / 2 != (ns + 1) / 2)
        store32(at(ctx + 4), heap.shrinkUnits(statsOff, (n0 + 1) / 2, (ns + 1) / 2));
    foundState = stats(ctx);
}

uint32_t ContextModel::createSuccessors(bool skip, uint32_t p1) {
    uint32_t ctx = minContext;
    const uint32_t up = successor(foundState);
    const uint8_t symbol = foundSymbol();
    uint32_t chain[kMaxChain + 1];
    unsigned n = 0;
    if (!skip)
        chain[n++] = foundState;

    while (suffix(ctx) != 0) {
        ctx = suffix(ctx);
        if (!checkContext(ctx))
            return 0;
        uint32_t s;
        if (p1 != 0) {
            s = p1;
            p1 = 0;
        } else if (numStats(ctx) != 1) {
            s = findState(ctx, symbol);
            if (corrupt)
                return 0;
        } else {
            s = oneState(ctx);
        }
        const uint32_t succ = successor(s);
        if (succ != up) {
            ctx = succ; // an existing longer context
            break;
        }
        if (n == kMaxChain)
            return markCorrupt();
        chain[n++] = s;
    }
    if (n == 0)
        return ctx;

    if (ctx > heap.heapSize() - kUnitSize || up >= heap.heapSize())
        return markCorrupt();
    const uint8_t newSymbol = *at(up);
    const uint32_t newSuccessor = up + 1;
    unsigned newFreq;
    if (numStats(ctx) != 1) {
        if (ctx <= heap.text)
            return 0; // not a context: start afresh, as the reference coder does
        if (!checkContext(ctx))
            return 0;
        const uint32_t q = findState(ctx, newSymbol);
        if (corrupt)
            return 0;
        const uint32_t cf = *at(q + 1) - 1u;
        const uint32_t s0 = summFreq(ctx) - numStats(ctx) - cf;
        if (2 * cf <= s0) {
            newFreq = 1 + (5 * cf > s0);
        } else {
            if (s0 == 0)
                return markCorrupt();
            newFreq = 1 + (2 * cf + 3 * s0 - 1) / (2 * s0);
        }
    } else {
        newFreq = *at(oneState(ctx) + 1);
    }

    do {
        const uint32_t c = heap.allocContext();
        if (c == 0)
            return 0;
        uint8_t* p = at(c);
        store16(p, 1);
        p[2] = newSymbol;
        p[3] = static_cast<uint8_t>(newFreq);
        store32(p + 4, newSuccessor);
        store32(p + 8, ctx);
        store32(at(chain[--n] + 2), c);
        ctx = c;
    } while (n != 0);
    return ctx;
}

void ContextModel::updateModel() {
    const uint8_t fsSymbol = *at(foundState);
    const unsigned fsFreq = *at(foundState + 1);
    uint32_t fsSuccessor = successor(foundState);

    // Credit the symbol in the next shorter context too.
    uint32_t p = 0;
    const uint32_t minSuffix = suffix(minContext);
    if (fsFreq < kMaxFreq / 4 && minSuffix != 0) {
        if (!checkContext(minSuffix))
            return;
        if (numStats(minSuffix) != 1) {
            p = findState(minSuffix, fsSymbol);
            if (corrupt)
                return;
            if (p != stats(minSuffix) && *at(p + 1) >= *at(p + 1 - kStateSize)) {
                swapStates(at(p), at(p - kStateSize));
                p -= kStateSize;
            }
            if (*at(p + 1) < kMaxFreq - 9) {
                *at(p + 1) = static_cast<uint8_t>(*at(p + 1) + 2);
                setSummFreq(minSuffix, summFreq(minSuffix) + 2);
            }
        } else {
            p = oneState(minSuffix);
            if (*at(p + 1) < 32)
                ++*at(p + 1);
        }
    }

    if (orderFall == 0) {
        const uint32_t c = createSuccessors(true, p);
        if (c == 0) {
            restartModel();
            return;
        }
        store32(at(foundState + 2), c);
        minContext = maxContext = c;
        return;
    }

    *at(heap.text) = fsSymbol;
    uint32_t successorRef = ++heap.text;
    if (heap.text >= heap.unitsStart) {
        restartModel();
        return;
    }

    if (fsSuccessor != 0) {
        if (fsSuccessor <= heap.text) {
            fsSuccessor = createSuccessors(false, p);
            if (fsSuccessor == 0) {
                restartModel();
                return;
            }
        }
        if (--orderFall == 0) {
            successorRef = fsSuccessor;
            if (maxContext != minContext)
                --heap.text;
        }
    } else {
        store32(at(foundState + 2), successorRef);
        fsSuccessor = minContext;
    }

    // Add the symbol to every context escaped from on the way down.
    const unsigned ns = numStats(minContext);
    const uint32_t s0 = summFreq(minContext) - ns - (fsFreq - 1);
    unsigned steps = 0;
    for (uint32_t pc = maxContext; pc != minContext; pc = suffix(pc)) {
        if (++steps > kMaxChain || !checkContext(pc) || numStats(pc) == 256) {
            markCorrupt();
            return;
        }
        const unsigned ns1 = numStats(pc);
        if (ns1 != 1) {
            if ((ns1 & 1) == 0) {
                const uint32_t grown = heap.expandUnits(stats(pc), ns1 >> 1);
                if (grown == 0) {
                    restartModel();
                    return;
                }
                store32(at(pc + 4), grown);
            }
            const unsigned sf = summFreq(pc);
            setSummFreq(pc, sf + (2 * ns1 < ns) + 2 * ((4 * ns1 <= ns) & (sf <= 8 * ns1)));
        } else {
            const uint32_t q = heap.allocUnits(1);
            if (q == 0) {
                restartModel();
                return;
            }
            std::memcpy(at(q), at(oneState(pc)), kStateSize);
            store32(at(pc + 4), q);
            uint8_t& freq = *at(q + 1);
            freq = static_cast<uint8_t>(freq < kMaxFreq / 4 - 1 ? freq * 2 : kMaxFreq - 4);
            setSummFreq(pc, freq + initEsc + (ns > 3));
        }

        uint32_t cf = 2 * fsFreq * (summFreq(pc) + 6);
        const uint32_t sf = s0 + summFreq(pc);
        if (cf < 6 * sf) {
            cf = 1 + (cf > sf) + (cf >= 4 * sf);
            setSummFreq(pc, summFreq(pc) + 3);
        } else {
            cf = 4 + (cf >= 9 * sf) + (cf >= 12 * sf) + (cf >= 15 * sf);
            setSummFreq(pc, summFreq(pc) + cf);
        }
        uint8_t* added = at(stats(pc) + ns1 * kStateSize);
        added[0] = fsSymbol;
        added[1] = static_cast<uint8_t>(cf);
        store32(added + 2, successorRef);
        store16(at(pc), static_cast<uint16_t>(ns1 + 1));
    }
    maxContext = minContext = fsSuccessor;
}

} // namespace rarlib::ppmd
