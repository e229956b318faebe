#include "MatchFinder.h"

#include <algorithm>
#include <cstring>

namespace mkpayload::lz29 {
namespace {

// Dropping old bytes in large steps keeps the copying rare.
constexpr uint64_t kDropStep = 8u << 20;

} // namespace

TMatchFinder::TMatchFinder(EIndex index)
    : head_(size_t{1} << kHashBits, 0), head3_(size_t{1} << kHash3Bits, 0) {
    if (index == EIndex::Chains) {
        chain_.assign(kWindowSize, 0);
    } else {
        before_.assign(kWindowSize, 0);
        after_.assign(kWindowSize, 0);
    }
}

void TMatchFinder::Append(std::span<const uint8_t> data, uint64_t keepFrom) {
    const uint64_t keep = keepFrom > kWindowSize ? keepFrom - kWindowSize : 0;
    const uint64_t drop = std::min(keep, indexed_ > 2 ? indexed_ - 2 : 0);
    if (drop >= base_ + kDropStep) {
        bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(drop - base_));
        base_ = drop;
    }
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    end_ += data.size();
}

unsigned TMatchFinder::MatchLength(uint64_t at, uint32_t distance, unsigned maxLength) const {
    const uint8_t* here = Data(at);
    return CommonLength(here, here - distance, 0, maxLength);
}

uint32_t TMatchFinder::NearestPair(uint64_t at, uint32_t reach) const {
    const uint8_t* here = Data(at);
    const uint32_t limit = static_cast<uint32_t>(std::min<uint64_t>(reach, at));
    for (uint32_t distance = 1; distance <= limit; ++distance) {
        if (const uint8_t* there = here - distance; there[0] == here[0] && there[1] == here[1]) {
            return distance;
        }
    }
    return 0;
}

unsigned TMatchFinder::CommonLength(const uint8_t* a, const uint8_t* b, unsigned from, unsigned limit) {
    unsigned n = from;
    while (n + 8 <= limit) {
        uint64_t x = 0;
        uint64_t y = 0;
        std::memcpy(&x, a + n, 8);
        std::memcpy(&y, b + n, 8);
        if (x != y) {
            // Little-endian loads: the lowest differing bit is in the first differing byte.
            return n + static_cast<unsigned>(__builtin_ctzll(x ^ y) / 8);
        }
        n += 8;
    }
    while (n < limit && a[n] == b[n]) {
        ++n;
    }
    return n;
}

uint32_t TMatchFinder::HashAt(uint64_t at) const {
    uint32_t v = 0;
    std::memcpy(&v, Data(at), 4);
    return (v * 2654435761u) >> (32 - kHashBits);
}

uint32_t TMatchFinder::Hash3At(uint64_t at) const {
    const uint8_t* p = Data(at);
    const uint32_t v = (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
    return (v * 2654435761u) >> (32 - kHash3Bits);
}

void TMatchFinder::SkipIndex(uint64_t from, uint64_t to) {
    IndexUpTo(from);
    indexed_ = std::max(indexed_, std::min(to, end_ >= 3 ? end_ - 3 : 0));
}

void TMatchFinder::IndexUpTo(uint64_t at) {
    // A position waits for its fourth byte.
    const uint64_t limit = std::min(at, end_ >= 3 ? end_ - 3 : 0);
    for (; indexed_ < limit; ++indexed_) {
        head3_[Hash3At(indexed_)] = static_cast<uint32_t>(indexed_ + 1);
        uint32_t& head = head_[HashAt(indexed_)];
        chain_[indexed_ & (kWindowSize - 1)] = head;
        head = static_cast<uint32_t>(indexed_ + 1);
    }
}

} // namespace mkpayload::lz29
