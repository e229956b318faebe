// The compressor's view of the solid stream: the bytes of the last 4 MiB (and whatever has arrived
// beyond), with hash chains over 3-byte prefixes to find earlier occurrences.
#pragma once

#include "Lz29Format.h"

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
    TMatchFinder();

    // Adds bytes at the end of the stream. Bytes more than a window behind `keepFrom` may go.
    void Append(std::span<const uint8_t> data, uint64_t keepFrom);
    uint64_t End() const { return end_; }
    uint8_t ByteAt(uint64_t at) const { return *Data(at); }

    // Common length of the bytes at `at` and `distance` bytes before, up to maxLength (which the
    // caller keeps within the stream).
    unsigned MatchLength(uint64_t at, uint32_t distance, unsigned maxLength) const;

    // Walks at most `depth` earlier occurrences of the 3 bytes at `at` (nearest first) and hands each
    // one's length to `better(length, distance)`, which says whether it is the best so far; stops
    // early at `enough` bytes. Positions before `at` are indexed first.
    template <class TBetter>
    void Search(uint64_t at, unsigned maxLength, unsigned depth, unsigned enough, TBetter&& better);

private:
    static constexpr unsigned kHashBits = 17;
    uint32_t HashAt(uint64_t at) const;
    void IndexUpTo(uint64_t at);
    const uint8_t* Data(uint64_t at) const { return bytes_.data() + (at - base_); }

    std::vector<uint8_t> bytes_;
    uint64_t base_ = 0; // stream position of bytes_[0]
    uint64_t end_ = 0;
    uint64_t indexed_ = 0;
    std::vector<uint64_t> head_;  // position + 1 of the newest occurrence per hash; 0 = none
    std::vector<uint64_t> chain_; // position + 1 of the previous occurrence, by position mod window
};

template <class TBetter>
void TMatchFinder::Search(uint64_t at, unsigned maxLength, unsigned depth, unsigned enough,
                          TBetter&& better) {
    IndexUpTo(at);
    if (maxLength < 3 || at + 3 > end_) {
        return;
    }
    const uint8_t* here = Data(at);
    unsigned longest = 0;
    uint64_t link = head_[HashAt(at)];
    for (unsigned steps = 0; link != 0 && steps < depth; ++steps) {
        const uint64_t candidate = link - 1;
        const uint64_t distance = at - candidate;
        if (distance > kMaxDistance) {
            break;
        }
        link = chain_[candidate & (kWindowSize - 1)];
        const uint8_t* there = Data(candidate);
        // Only a longer match can win, so its last byte decides cheaply first.
        if (longest >= maxLength) {
            break;
        }
        if (there[longest] != here[longest] || there[0] != here[0]) {
            continue;
        }
        const unsigned length = MatchLength(at, static_cast<uint32_t>(distance), maxLength);
        if (length > longest && better(length, static_cast<uint32_t>(distance))) {
            longest = length;
            if (length >= enough) {
                break;
            }
        }
    }
}

} // namespace mkpayload::lz29
