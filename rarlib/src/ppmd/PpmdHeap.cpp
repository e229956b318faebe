#include "ppmd/PpmdHeap.h"

#include "ppmd/PpmdPages.h"

namespace rarlib::ppmd {

namespace {

constexpr UnitTables makeUnitTables() {
    UnitTables t{};
    // Sizes grow by 1 four times, by 2 four times, by 3 four times, then by 4 up to 128 units.
    unsigned i = 0;
    unsigned k = 1;
    for (; i < 4; ++i, k += 1)
        t.indx2Units[i] = static_cast<uint8_t>(k);
    for (++k; i < 8; ++i, k += 2)
        t.indx2Units[i] = static_cast<uint8_t>(k);
    for (++k; i < 12; ++i, k += 3)
        t.indx2Units[i] = static_cast<uint8_t>(k);
    for (++k; i < kNumIndexes; ++i, k += 4)
        t.indx2Units[i] = static_cast<uint8_t>(k);
    for (unsigned n = 1, indx = 0; n <= kMaxUnits; ++n) {
        while (t.indx2Units[indx] < n)
            ++indx;
        t.units2Indx[n - 1] = static_cast<uint8_t>(indx);
    }
    return t;
}

// Two spare units after the heap, as the format's reference allocator keeps.
constexpr uint32_t kSlack = 2 * kUnitSize;

uint32_t unitBytes(unsigned indx) {
    return kUnitSize * kUnitTables.indx2Units[indx];
}

} // namespace

const UnitTables kUnitTables = makeUnitTables();

static_assert(makeUnitTables().indx2Units[kNumIndexes - 1] == kMaxUnits);
static_assert(makeUnitTables().indx2Units[12] == 28 && makeUnitTables().indx2Units[11] == 24);

bool SubAllocator::reserve(uint32_t bytes) {
    if (heap_ != nullptr && size_ == bytes)
        return true;
    release();
    // Zero-filled: a corrupt stream that reads history it never wrote sees zeros, not stale data.
    heap_ = allocateZeroedPages(size_t{bytes} + kSlack);
    if (heap_ == nullptr)
        return false;
    size_ = bytes;
    return true;
}

void SubAllocator::release() {
    freePages(heap_, size_t{size_} + kSlack);
    heap_ = nullptr;
    size_ = 0;
}

void SubAllocator::init() {
    text = 0;
    const uint32_t units = size_ / 8 / kUnitSize * 7;
    unitsStart = loUnit_ = size_ - units * kUnitSize;
    hiUnit_ = size_;
    std::memset(freeList_, 0, sizeof(freeList_));
    glueCount_ = 0;
}

void SubAllocator::push(uint32_t p, unsigned indx) {
    store32(base() + p, freeList_[indx]);
    freeList_[indx] = p;
}

uint32_t SubAllocator::pop(unsigned indx) {
    const uint32_t p = freeList_[indx];
    const uint32_t next = load32(base() + p);
    // Only a model that wrote through a stale reference could break a list; keep it inside the heap.
    // The head itself was checked when it became the head.
    if (next != 0 && (next > size_ || size_ - next < unitBytes(indx))) {
        broken_ = true;
        freeList_[indx] = 0;
        return p;
    }
    freeList_[indx] = next;
    return p;
}

uint32_t SubAllocator::allocContext() {
    if (hiUnit_ != loUnit_)
        return hiUnit_ -= kUnitSize;
    if (freeList_[0] != 0)
        return pop(0);
    return allocUnitsRare(0);
}

uint32_t SubAllocator::allocUnits(unsigned nu) {
    const unsigned indx = kUnitTables.units2Indx[nu - 1];
    if (freeList_[indx] != 0)
        return pop(indx);
    const uint32_t n = unitBytes(indx);
    if (hiUnit_ - loUnit_ >= n) {
        const uint32_t p = loUnit_;
        loUnit_ += n;
        return p;
    }
    return allocUnitsRare(indx);
}

uint32_t SubAllocator::allocUnitsRare(unsigned indx) {
    if (glueCount_ == 0) {
        glueFreeBlocks();
        if (freeList_[indx] != 0)
            return pop(indx);
    }
    for (unsigned j = indx + 1; j < kNumIndexes; ++j) {
        if (freeList_[j] != 0) {
            const uint32_t p = pop(j);
            splitBlock(p, j, indx);
            return p;
        }
    }
    --glueCount_;
    const uint32_t n = unitBytes(indx);
    if (unitsStart - text > n)
        return unitsStart -= n;
    return 0;
}

void SubAllocator::splitBlock(uint32_t p, unsigned oldIndx, unsigned newIndx) {
    const unsigned diff = kUnitTables.indx2Units[oldIndx] - kUnitTables.indx2Units[newIndx];
    const uint32_t q = p + unitBytes(newIndx);
    unsigned k = kUnitTables.units2Indx[diff - 1];
    if (kUnitTables.indx2Units[k] != diff) {
        --k;
        const unsigned rest = diff - kUnitTables.indx2Units[k];
        push(q + unitBytes(k), rest - 1);
    }
    push(q, k);
}

uint32_t SubAllocator::expandUnits(uint32_t p, unsigned oldNU) {
    const unsigned i0 = kUnitTables.units2Indx[oldNU - 1];
    const unsigned i1 = kUnitTables.units2Indx[oldNU];
    if (i0 == i1)
        return p;
    const uint32_t q = allocUnits(oldNU + 1);
    if (q == 0)
        return 0;
    std::memmove(base() + q, base() + p, size_t{kUnitSize} * oldNU);
    push(p, i0);
    return q;
}

uint32_t SubAllocator::shrinkUnits(uint32_t p, unsigned oldNU, unsigned newNU) {
    const unsigned i0 = kUnitTables.units2Indx[oldNU - 1];
    const unsigned i1 = kUnitTables.units2Indx[newNU - 1];
    if (i0 == i1)
        return p;
    if (freeList_[i1] != 0) {
        const uint32_t q = pop(i1);
        std::memmove(base() + q, base() + p, size_t{kUnitSize} * newNU);
        push(p, i0);
        return q;
    }
    splitBlock(p, i0, i1);
    return p;
}

// Merges adjacent free blocks. A free block is stamped with u16 0 at +0 and its unit count at +2;
// used blocks never start with u16 0 (a context's symbol count or a state's nonzero frequency), and
// the start of the never-used gap is stamped 1, so merging stops at anything that is not free.
void SubAllocator::glueFreeBlocks() {
    uint8_t* const b = base();
    glueCount_ = 255;
    if (loUnit_ != hiUnit_)
        store16(b + loUnit_, 1);

    // All free blocks in one list linked through +4, the last one taken first.
    uint32_t head = 0;
    uint32_t count = 0;
    for (unsigned i = 0; i < kNumIndexes; ++i) {
        while (freeList_[i] != 0) {
            const uint32_t p = pop(i);
            if (++count > size_ / kUnitSize) { // a cycle in a free list
                broken_ = true;
                std::memset(freeList_, 0, sizeof(freeList_));
                return;
            }
            store16(b + p, 0);
            store16(b + p + 2, kUnitTables.indx2Units[i]);
            store32(b + p + 4, head);
            head = p;
        }
    }

    for (uint32_t p = head; p != 0; p = load32(b + p + 4)) {
        uint32_t nu = load16(b + p + 2);
        if (nu == 0)
            continue;
        for (;;) {
            const uint32_t q = p + nu * kUnitSize;
            if (q > size_ - 4 || load16(b + q) != 0)
                break;
            const uint32_t qnu = load16(b + q + 2);
            if (qnu == 0 || nu + qnu >= 0x10000)
                break;
            nu += qnu;
            store16(b + q + 2, 0);
        }
        store16(b + p + 2, static_cast<uint16_t>(nu));
    }

    // Unlink the absorbed blocks first: refilling the lists writes inside merged blocks, where the
    // headers of absorbed ones lie.
    const auto nextSurvivor = [b](uint32_t p) {
        while (p != 0 && load16(b + p + 2) == 0)
            p = load32(b + p + 4);
        return p;
    };
    head = nextSurvivor(head);
    for (uint32_t p = head; p != 0;) {
        const uint32_t next = nextSurvivor(load32(b + p + 4));
        store32(b + p + 4, next);
        p = next;
    }

    for (uint32_t p = head; p != 0;) {
        const uint32_t next = load32(b + p + 4);
        unsigned nu = load16(b + p + 2);
        uint32_t q = p;
        for (; nu > kMaxUnits; nu -= kMaxUnits, q += kMaxUnits * kUnitSize)
            push(q, kNumIndexes - 1);
        unsigned indx = kUnitTables.units2Indx[nu - 1];
        if (kUnitTables.indx2Units[indx] != nu) {
            const unsigned k = kUnitTables.indx2Units[--indx];
            push(q + k * kUnitSize, nu - k - 1);
        }
        push(q, indx);
        p = next;
    }
}

} // namespace rarlib::ppmd
