// PPMd variant H statistics: contexts, states, SEE and binary contexts, and the model update.
// The coder-facing steps (which state was coded, escapes) are split out so that the decoder drives
// them in the order the coder needs; everything here is independent of the range coder.
//
// Heap records (offsets into the heap, 0 = none):
//   context, 12 bytes: +0 NumStats u16, +2 SummFreq u16, +4 Stats u32, +8 Suffix u32;
//                      with NumStats == 1 the bytes +2..+7 hold the single state instead.
//   state, 6 bytes:    +0 Symbol u8, +1 Freq u8, +2 Successor u32.
#pragma once

#include "ppmd/PpmdHeap.h"

#include <cstdint>
#include <cstring>

namespace rarlib::ppmd {

inline constexpr unsigned kMaxOrder = 64;
inline constexpr unsigned kIntBits = 7;
inline constexpr unsigned kPeriodBits = 7;
inline constexpr unsigned kTotBits = kIntBits + kPeriodBits;
inline constexpr unsigned kInterval = 1u << kIntBits;
inline constexpr unsigned kBinScale = 1u << kTotBits;
inline constexpr unsigned kMaxFreq = 124;
inline constexpr uint32_t kStateSize = 6;

// Secondary escape estimation: an adaptive average of escape frequencies.
struct See {
    uint16_t summ;
    uint8_t shift;
    uint8_t count;

    unsigned mean() {
        const unsigned r = summ >> shift;
        summ = static_cast<uint16_t>(summ - r);
        return r + (r == 0);
    }
    void update() {
        if (shift < kPeriodBits && --count == 0) {
            summ = static_cast<uint16_t>(summ * 2);
            count = static_cast<uint8_t>(3 << shift);
            ++shift;
        }
    }
};

struct ModelTables {
    uint8_t ns2Indx[256];
    uint8_t ns2BSIndx[256];
    uint8_t hb2Flag[256];
};
extern const ModelTables kModelTables;

class ContextModel {
public:
    SubAllocator heap;

    uint32_t minContext = 0;
    uint32_t maxContext = 0;
    uint32_t foundState = 0; // 0 while escaping
    unsigned orderFall = 0;
    unsigned maxOrder = 0;
    int32_t runLength = 0;
    int32_t initRL = 0;
    unsigned prevSuccess = 0;
    unsigned initEsc = 0;
    unsigned hiBitsFlag = 0;
    unsigned numMasked = 0;
    // Set when the stream made the model follow a reference that cannot be right. The step that
    // found it stops without touching anything outside the heap, and the model must not be used
    // again until startModel.
    bool corrupt = false;

    void startModel(unsigned order) {
        maxOrder = order;
        corrupt = false;
        heap.clearBroken();
        restartModel();
    }
    void restartModel();

    // Record access. Offsets handed in are already validated (checkContext) or allocator results.
    uint8_t* at(uint32_t off) const { return heap.base() + off; }
    unsigned numStats(uint32_t ctx) const { return load16(at(ctx)); }
    unsigned summFreq(uint32_t ctx) const { return load16(at(ctx + 2)); }
    void setSummFreq(uint32_t ctx, unsigned v) { store16(at(ctx + 2), static_cast<uint16_t>(v)); }
    uint32_t stats(uint32_t ctx) const { return load32(at(ctx + 4)); }
    uint32_t suffix(uint32_t ctx) const { return load32(at(ctx + 8)); }
    static uint32_t oneState(uint32_t ctx) { return ctx + 2; }
    uint32_t successor(uint32_t state) const { return load32(at(state + 2)); }
    uint8_t foundSymbol() const { return *at(foundState); }

    // A reference the stream made us follow must be a context above the text area, fully inside
    // the heap, with 1..256 states whose array is inside the heap too; otherwise the model is
    // marked corrupt and false returned.
    bool checkContext(uint32_t ctx) {
        const uint32_t size = heap.heapSize();
        if (ctx <= heap.text || ctx > size - kUnitSize)
            return markCorrupt();
        const unsigned ns = numStats(ctx);
        if (ns - 1 >= 256)
            return markCorrupt();
        if (ns != 1) {
            const uint32_t st = stats(ctx);
            if (st <= heap.text || st > size || size - st < kUnitSize * ((ns + 1) / 2))
                return markCorrupt();
        }
        return true;
    }

    // Symbols excluded while escaping to shorter contexts: 0x00 excluded, 0xFF still a candidate,
    // so that the escape loop can use the entry as an arithmetic mask.
    void newMask() { std::memset(charMask_, 0xFF, sizeof(charMask_)); }
    bool masked(uint8_t symbol) const { return charMask_[symbol] == 0; }
    uint32_t candidateMask(uint8_t symbol) const {
        return static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(charMask_[symbol])));
    }
    void exclude(uint8_t symbol) { charMask_[symbol] = 0; }
    uint32_t offsetOf(const uint8_t* p) const { return static_cast<uint32_t>(p - heap.base()); }

    // The coded symbol was the first state of a multi-state context.
    void updateFirst(uint32_t ctx, uint32_t s);
    // The coded symbol was a later state of the first context tried.
    void updateOther(uint32_t ctx, uint32_t s);
    // Escape from the first multi-state context: every one of its symbols is excluded.
    void escapeFirst(uint32_t ctx);
    // The coded symbol was found after one or more escapes.
    void updateEscaped(uint32_t ctx, uint32_t s);

    // Binary contexts: the probability slot of the single state, then the outcome.
    uint16_t& binaryProb(uint32_t ctx);
    void binaryHit(uint32_t ctx, uint16_t& prob);
    void binaryMiss(uint32_t ctx, uint16_t& prob);

    // Steps to the next shorter context that still has unexcluded symbols; 0 (never a context) on
    // corrupt data.
    uint32_t escapeToSuffix();
    // The escape estimate for context ctx with `diff` unexcluded symbols.
    See* makeEscFreq(uint32_t ctx, unsigned diff, unsigned& escFreq);

    // After a symbol: follow the found state's context or grow the model.
    void nextContext() {
        const uint32_t succ = successor(foundState);
        if (orderFall == 0 && succ > heap.text) {
            minContext = maxContext = succ;
        } else {
            updateModel();
        }
    }

private:
    // Marks the model corrupt; false and 0 are the failure values of the functions that find it.
    bool markCorrupt() {
        corrupt = true;
        return false;
    }
    // Runs of correctly predicted symbols can outlast 2^31 in a long entry; wrap, never overflow.
    void addRunLength(unsigned n) { runLength = static_cast<int32_t>(static_cast<uint32_t>(runLength) + n); }
    void rescale(uint32_t ctx);
    void updateModel();
    uint32_t createSuccessors(bool skip, uint32_t p1);
    uint32_t findState(uint32_t ctx, uint8_t symbol);

    uint16_t binSumm_[128][64] = {};
    uint16_t corruptProb_ = 0; // what binaryProb hands out for a context it cannot index
    See see_[25][16] = {};
    See dummySee_ = {};
    uint8_t charMask_[256] = {};
};

} // namespace rarlib::ppmd
