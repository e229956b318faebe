// The PPMd model's memory: one heap addressed by 32-bit offsets, carved into 12-byte units.
// Encoder and decoder must fail allocations at exactly the same moments (that is when the model
// restarts), so the allocation policy below is part of the format, not a tuning choice.
#pragma once

#include <cstdint>
#include <cstring>

namespace rarlib::ppmd {

inline constexpr uint32_t kUnitSize = 12;
inline constexpr unsigned kNumIndexes = 38;
inline constexpr unsigned kMaxUnits = 128;

// Block sizes (in units) of the free lists, and the list that serves a request of n units.
struct UnitTables {
    uint8_t indx2Units[kNumIndexes];
    uint8_t units2Indx[kMaxUnits];
};
extern const UnitTables kUnitTables;

inline uint16_t load16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
inline uint32_t load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void store16(uint8_t* p, uint16_t v) {
    std::memcpy(p, &v, 2);
}
inline void store32(uint8_t* p, uint32_t v) {
    std::memcpy(p, &v, 4);
}

class SubAllocator {
public:
    SubAllocator() = default;
    ~SubAllocator() { release(); }
    SubAllocator(const SubAllocator&) = delete;
    SubAllocator& operator=(const SubAllocator&) = delete;

    // Makes the heap exactly `bytes` long, reusing the current one when the size matches.
    // Returns false (and holds no heap) when the memory cannot be had.
    bool reserve(uint32_t bytes);
    void release();
    uint32_t heapSize() const { return size_; }
    uint8_t* base() const { return heap_; }

    // Forgets every allocation: the whole heap becomes text area + never-used gap.
    void init();

    // Each returns 0 when the heap is exhausted (the model then restarts).
    uint32_t allocContext();
    uint32_t allocUnits(unsigned nu);
    uint32_t expandUnits(uint32_t p, unsigned oldNU);
    uint32_t shrinkUnits(uint32_t p, unsigned oldNU, unsigned newNU);
    void freeUnits(uint32_t p, unsigned nu) { push(p, kUnitTables.units2Indx[nu - 1]); }

    // The model appends its symbol history at `text`; units handed out lie at or above `unitsStart`.
    uint32_t text = 0;
    uint32_t unitsStart = 0;

    // A free list found broken (only a corrupt stream can do that): the lists were emptied so that
    // nothing outside the heap is ever handed out, and the model must not be used any more.
    bool broken() const { return broken_; }
    void clearBroken() { broken_ = false; }

private:
    void push(uint32_t p, unsigned indx);
    uint32_t pop(unsigned indx);
    uint32_t allocUnitsRare(unsigned indx);
    void splitBlock(uint32_t p, unsigned oldIndx, unsigned newIndx);
    void glueFreeBlocks();

    uint8_t* heap_ = nullptr; // size_ + the slack, from allocateZeroedPages
    uint32_t size_ = 0;
    uint32_t loUnit_ = 0;
    uint32_t hiUnit_ = 0;
    uint32_t freeList_[kNumIndexes] = {};
    uint8_t glueCount_ = 0;
    bool broken_ = false;
};

} // namespace rarlib::ppmd
