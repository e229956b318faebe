#include "HuffmanCode.h"

#include <algorithm>
#include <queue>

namespace mkpayload {
namespace {

// Plain Huffman tree depths; ties go to the lower node number so that the result is reproducible.
std::vector<uint8_t> TreeDepths(std::span<const uint64_t> weights, std::span<const unsigned> symbols,
                                size_t alphabet) {
    struct TNode {
        uint64_t weight;
        unsigned id;
        bool operator>(const TNode& other) const {
            return weight != other.weight ? weight > other.weight : id > other.id;
        }
    };
    std::vector<unsigned> parent(symbols.size() * 2, 0);
    std::priority_queue<TNode, std::vector<TNode>, std::greater<>> queue;
    for (unsigned i = 0; i < symbols.size(); ++i) {
        queue.push({weights[i], i});
    }
    unsigned next = static_cast<unsigned>(symbols.size());
    while (queue.size() > 1) {
        const TNode a = queue.top();
        queue.pop();
        const TNode b = queue.top();
        queue.pop();
        parent[a.id] = next;
        parent[b.id] = next;
        queue.push({a.weight + b.weight, next++});
    }
    // Parents always have higher numbers, so depths fill in from the root down.
    const unsigned root = next - 1;
    std::vector<uint8_t> depth(next, 0);
    for (unsigned n = root; n-- > 0;) {
        depth[n] = static_cast<uint8_t>(depth[parent[n]] + 1);
    }
    std::vector<uint8_t> lengths(alphabet, 0);
    for (unsigned i = 0; i < symbols.size(); ++i) {
        lengths[symbols[i]] = depth[i];
    }
    return lengths;
}

} // namespace

std::vector<uint8_t> BuildCodeLengths(std::span<const uint32_t> counts, unsigned maxLength) {
    std::vector<unsigned> used;
    std::vector<uint64_t> weights;
    for (unsigned s = 0; s < counts.size(); ++s) {
        if (counts[s] > 0) {
            used.push_back(s);
            weights.push_back(counts[s]);
        }
    }
    std::vector<uint8_t> lengths(counts.size(), 0);
    if (used.empty()) {
        return lengths;
    }
    if (used.size() == 1) {
        lengths[used[0]] = 1;
        lengths[used[0] == 0 ? 1 : 0] = 1;
        return lengths;
    }
    // Flattening the weights until the tree is shallow enough keeps the code complete.
    for (;;) {
        lengths = TreeDepths(weights, used, counts.size());
        if (*std::max_element(lengths.begin(), lengths.end()) <= maxLength) {
            return lengths;
        }
        for (uint64_t& w : weights) {
            w = (w >> 1) | 1;
        }
    }
}

std::vector<uint16_t> CanonicalCodes(std::span<const uint8_t> lengths) {
    std::vector<uint16_t> codes(lengths.size(), 0);
    uint32_t code = 0;
    for (unsigned length = 1; length <= 15; ++length) {
        for (size_t s = 0; s < lengths.size(); ++s) {
            if (lengths[s] == length) {
                codes[s] = static_cast<uint16_t>(code++);
            }
        }
        code <<= 1;
    }
    return codes;
}

} // namespace mkpayload
