#include "filters/FilterSet.h"

#include "filters/FilterIdentify.h"
#include "filters/VmBitReader.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace rarlib::filters {

namespace {

constexpr uint8_t kHasNumber = 0x80;
constexpr uint8_t kStartPlus258 = 0x40;
constexpr uint8_t kHasLength = 0x20;
constexpr uint8_t kHasRegisters = 0x10;
constexpr uint8_t kHasGlobalData = 0x08;

constexpr uint32_t kMaxCodeSize = 0xFFFF;
constexpr uint32_t kMaxGlobalData = 0x2000 - 0x40;

} // namespace

FilterStatus FilterSet::addRecord(uint8_t first, std::span<const uint8_t> body, uint64_t streamPos,
                                  uint64_t entryEnd) {
    VmBitReader r(body);
    uint32_t num = lastFilter_;
    if (first & kHasNumber) {
        const uint32_t n = r.number();
        if (n == 0) {
            clear(); // numbering starts afresh
            num = 0;
        } else {
            num = n - 1;
        }
    }
    if (num > table_.size())
        return FilterStatus::BadData;
    const bool isNew = num == table_.size();
    if ((isNew && table_.size() >= kMaxFilters) || pending_.size() >= kMaxFilters)
        return FilterStatus::BadData;

    FilterInvocation inv;
    uint64_t start = r.number();
    if (first & kStartPlus258)
        start += 258;
    inv.blockStart = streamPos + start;
    uint32_t length = isNew ? 0 : table_[num].lastLength;
    if (first & kHasLength)
        length = r.number();
    inv.blockLength = length;
    const uint32_t execCount = isNew ? 0 : table_[num].execCount + 1;
    inv.regs[3] = kGlobalAreaStart;
    inv.regs[4] = length;
    inv.regs[5] = execCount;
    if (first & kHasRegisters) {
        const uint32_t mask = r.get(7);
        for (unsigned i = 0; i < 7; ++i)
            if (mask & (1u << i))
                inv.regs[i] = r.number();
    }

    if (isNew) {
        const uint32_t size = r.number();
        if (size == 0 || size > kMaxCodeSize || size > r.bitsLeft() / 8)
            return FilterStatus::BadData;
        std::vector<uint8_t> code(size);
        for (uint8_t& b : code)
            b = static_cast<uint8_t>(r.get(8));
        const auto type = identifyFilter(code);
        if (!type)
            return FilterStatus::UnknownFormat;
        inv.type = *type;
    } else {
        inv.type = table_[num].type;
    }
    if (first & kHasGlobalData) {
        // Standard filters ignore global data; only its size is checked.
        if (r.number() > kMaxGlobalData)
            return FilterStatus::BadData;
    }

    if (!filterParametersValid(inv) || inv.blockStart > entryEnd || entryEnd - inv.blockStart < length)
        return FilterStatus::BadData;

    lastFilter_ = num;
    if (isNew)
        table_.push_back(KnownFilter{inv.type, length, 0});
    else
        table_[num] = KnownFilter{inv.type, length, execCount};
    pending_.push_back(inv);
    return FilterStatus::Ok;
}

FilterStatus FilterSet::runNext(const WindowView& window, uint64_t entryStart,
                                std::span<const uint8_t>& out) {
    if (!memory_) {
        memory_.reset(new (std::nothrow) uint8_t[kFilterMemorySize + kFilterMemorySlack]());
        if (!memory_)
            return FilterStatus::NoMemory;
    }
    uint8_t* const mem = memory_.get();
    const FilterInvocation f = pending_.front();
    pending_.pop_front();
    if (f.blockLength > kFilterMemorySize || f.blockLength > window.mask + 1)
        return FilterStatus::BadData;

    const size_t at = f.blockStart & window.mask;
    const size_t firstPart = std::min<size_t>(f.blockLength, window.mask + 1 - at);
    std::memcpy(mem, window.data + at, firstPart);
    std::memcpy(mem + firstPart, window.data, f.blockLength - firstPart);

    // Offsets within the entry are 32-bit in the format.
    const auto filePos = static_cast<uint32_t>(f.blockStart - entryStart);
    FilterResult res;
    FilterStatus st = runFilter(f, filePos, mem, res);
    // Further filters on the same block take the previous output as their input.
    while (st == FilterStatus::Ok && !pending_.empty() && pending_.front().blockStart == f.blockStart &&
           pending_.front().blockLength == res.length) {
        const FilterInvocation g = pending_.front();
        pending_.pop_front();
        std::memmove(mem, mem + res.offset, res.length);
        st = runFilter(g, filePos, mem, res);
    }
    if (st == FilterStatus::Ok)
        out = std::span<const uint8_t>(mem + res.offset, res.length);
    return st;
}

} // namespace rarlib::filters
