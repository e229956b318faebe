// The compressor's view of the solid stream: the bytes of the last 4 MiB (and whatever has arrived
// beyond), with an index over 4-byte prefixes to find earlier occurrences, and the latest
// occurrence of each 3-byte prefix beside it. The index is either hash chains, cheap to keep and
// walked nearest first, or binary trees, which every position has to go into but whose walk meets
// ever longer matches and so finds the long ones in far fewer steps.
#pragma once

#include "Lz29Format.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

namespace mkpayload::lz29 {

struct TMatch {
    unsigned length = 0;
    uint32_t distance = 0;
};

class TMatchFinder {
public:
    enum class EIndex { Chains, Trees };
    explicit TMatchFinder(EIndex index);

    // Adds bytes at the end of the stream. Bytes more than a window behind `keepFrom` may go.
    void Append(std::span<const uint8_t> data, uint64_t keepFrom);
    uint64_t End() const { return end_; }
    uint8_t ByteAt(uint64_t at) const { return *Data(at); }

    // Common length of the bytes at `at` and `distance` bytes before, up to maxLength (which the
    // caller keeps within the stream).
    unsigned MatchLength(uint64_t at, uint32_t distance, unsigned maxLength) const;
    // The distance to the nearest earlier copy of the 2 bytes at `at` at most `reach` back; 0 if none.
    uint32_t NearestPair(uint64_t at, uint32_t reach) const;

    // Chains: walks at most `depth` earlier occurrences of the 3 bytes at `at` (nearest first) and
    // hands each one's length to `better(length, distance)`, which says whether it is the best so far.
    // Once a match reaches `good` bytes only a quarter of the remaining steps are taken; `enough` bytes
    // end the walk. Positions before `at` are indexed first.
    template <class TBetter>
    void Search(uint64_t at, unsigned maxLength, unsigned depth, unsigned good, unsigned enough,
                TBetter&& better);
    // Chains: leaves the positions in [from, to) out of the index: inside a long match they rarely
    // start a better one, and indexing every byte is most of the cost on repetitive data.
    void SkipIndex(uint64_t from, uint64_t to);

    // Trees: hands every match longer than those before it to `found(length, distance)`, walking at
    // most `depth` nodes of the tree of the 4 bytes at `at`; every position before `at` goes into the
    // trees first, and `at` itself with the walk.
    template <class TFound> void TreeSearch(uint64_t at, unsigned maxLength, unsigned depth, TFound&& found);

private:
    static constexpr unsigned kHashBits = 20;
    static constexpr unsigned kHash3Bits = 16;
    // How many bytes from `from` on a and b have in common, up to `limit`.
    static unsigned CommonLength(const uint8_t* a, const uint8_t* b, unsigned from, unsigned limit);
    uint32_t HashAt(uint64_t at) const;
    uint32_t Hash3At(uint64_t at) const;
    void IndexUpTo(uint64_t at);
    const uint8_t* Data(uint64_t at) const { return bytes_.data() + (at - base_); }

    std::vector<uint8_t> bytes_;
    uint64_t base_ = 0; // stream position of bytes_[0]
    uint64_t end_ = 0;
    uint64_t indexed_ = 0;
    // Position + 1, kept in 32 bits: only the distance matters, and a link from more than 4 GiB back
    // cannot pass the distance check unless it aliases a position in the window, whose bytes are then
    // compared like any other candidate's.
    std::vector<uint32_t> head_;  // newest occurrence per hash; 0 = none
    std::vector<uint32_t> head3_; // the same for 3-byte prefixes, without chains
    std::vector<uint32_t> chain_; // previous occurrence, by position mod window
    // The trees' links, by position mod window: the nodes whose following bytes sort before and
    // after the position's own.
    std::vector<uint32_t> before_;
    std::vector<uint32_t> after_;

    template <class TFound> void PutInTree(uint64_t at, unsigned depth, TFound&& found);
};

// Walks down from the newest position with the same 4-byte hash, comparing the bytes that follow,
// and rebuilds the tree with `at` at its root: each node passed goes to the side of `at` its bytes
// sort on. The bytes both bounds of the current subtree share with `at` need no comparing again.
template <class TFound> void TMatchFinder::PutInTree(uint64_t at, unsigned depth, TFound&& found) {
    const unsigned limit = static_cast<unsigned>(std::min<uint64_t>(kMaxMatch, end_ - at));
    uint32_t& head = head_[HashAt(at)];
    uint32_t link = head;
    head = static_cast<uint32_t>(at + 1);
    const uint8_t* here = Data(at);
    uint32_t* beforeSlot = &before_[at & (kWindowSize - 1)];
    uint32_t* afterSlot = &after_[at & (kWindowSize - 1)];
    unsigned beforeShared = 0;
    unsigned afterShared = 0;
    unsigned longest = 0;
    for (;; --depth) {
        const uint32_t distance = static_cast<uint32_t>(at + 1) - link;
        if (link == 0 || distance == 0 || distance > kMaxDistance || depth == 0) {
            *beforeSlot = 0;
            *afterSlot = 0;
            return;
        }
        const uint64_t candidate = at - distance;
        const uint8_t* there = Data(candidate);
        const unsigned length = CommonLength(here, there, std::min(beforeShared, afterShared), limit);
        if (length > longest) {
            longest = length;
            found(length, distance);
        }
        const size_t node = candidate & (kWindowSize - 1);
        if (length == limit) {
            // As good as equal: `at` takes the node's place and its subtrees.
            *beforeSlot = before_[node];
            *afterSlot = after_[node];
            return;
        }
        if (there[length] < here[length]) {
            *beforeSlot = link;
            beforeSlot = &after_[node];
            link = *beforeSlot;
            beforeShared = length;
        } else {
            *afterSlot = link;
            afterSlot = &before_[node];
            link = *afterSlot;
            afterShared = length;
        }
    }
}

template <class TFound>
void TMatchFinder::TreeSearch(uint64_t at, unsigned maxLength, unsigned depth, TFound&& found) {
    // A position waits for its fourth byte.
    for (const uint64_t limit = std::min(at, end_ >= 4 ? end_ - 4 : 0); indexed_ < limit; ++indexed_) {
        head3_[Hash3At(indexed_)] = static_cast<uint32_t>(indexed_ + 1);
        PutInTree(indexed_, depth, [](unsigned, uint32_t) {});
    }
    if (maxLength < 3 || at + 4 > end_) {
        return;
    }
    unsigned longest = 0;
    uint32_t& near = head3_[Hash3At(at)];
    if (const uint32_t distance = static_cast<uint32_t>(at + 1) - near;
        near != 0 && distance != 0 && distance <= kMaxDistance) {
        if (const unsigned length = MatchLength(at, distance, maxLength); length >= 3) {
            longest = length;
            found(length, distance);
        }
    }
    near = static_cast<uint32_t>(at + 1);
    PutInTree(at, depth, [&](unsigned, uint32_t distance) {
        // The trees compare up to the longest match; the caller's limit (the entry's end, a filter
        // block's edge) may cut it shorter, and a link from before a 4 GiB wrap may lead anywhere,
        // so the bytes decide.
        if (const unsigned length = MatchLength(at, distance, maxLength); length > longest) {
            longest = length;
            found(length, distance);
        }
    });
    indexed_ = at + 1;
}

template <class TBetter>
void TMatchFinder::Search(uint64_t at, unsigned maxLength, unsigned depth, unsigned good, unsigned enough,
                          TBetter&& better) {
    IndexUpTo(at);
    if (maxLength < 3 || at + 3 > end_) {
        return;
    }
    const uint8_t* here = Data(at);
    unsigned longest = 0;
    // Binary data repeats 3-byte prefixes everywhere; chaining on 4 bytes keeps the walk on likely
    // candidates, and the nearest 3-byte one is looked at first.
    if (const uint32_t near = head3_[Hash3At(at)]; near != 0) {
        const uint32_t distance = static_cast<uint32_t>(at + 1) - near;
        if (distance != 0 && distance <= kMaxDistance) {
            const unsigned length = MatchLength(at, distance, maxLength);
            if (length >= 3 && better(length, distance)) {
                longest = length;
                if (length >= enough) {
                    return;
                }
            }
        }
    }
    if (at + 4 > end_) {
        return;
    }
    uint32_t link = head_[HashAt(at)];
    bool shortened = false;
    for (unsigned steps = 0; link != 0 && steps < depth; ++steps) {
        const uint32_t distance = static_cast<uint32_t>(at + 1) - link;
        if (distance == 0 || distance > kMaxDistance) {
            break;
        }
        const uint64_t candidate = at - distance;
        link = chain_[candidate & (kWindowSize - 1)];
        const uint8_t* there = Data(candidate);
        // Only a longer match can win, so its last byte decides cheaply first.
        if (longest >= maxLength) {
            break;
        }
        if (there[longest] != here[longest] || there[0] != here[0]) {
            continue;
        }
        const unsigned length = MatchLength(at, distance, maxLength);
        if (length > longest && better(length, distance)) {
            longest = length;
            if (length >= enough) {
                break;
            }
            if (length >= good && !shortened) {
                depth = steps + (depth - steps) / 4;
                shortened = true;
            }
        }
    }
}

} // namespace mkpayload::lz29
