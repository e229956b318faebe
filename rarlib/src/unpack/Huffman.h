#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "unpack/BitInput.h"

namespace rarlib {

// Canonical Huffman code over N symbols with code lengths up to 15. Codes up to QuickBits long are
// resolved by one table lookup; longer ones by comparing against the per-length limits.
template <size_t N, unsigned QuickBits> class HuffmanTable {
public:
    static constexpr uint32_t kInvalid = N;
    static constexpr unsigned kMaxLength = 15;

    // Over-subscribed lengths are refused; incomplete codes are accepted and their unused bit
    // patterns decode to kInvalid.
    bool build(const uint8_t* lengths) {
        std::array<uint32_t, kMaxLength + 1> count{};
        for (size_t s = 0; s < N; ++s) {
            ++count[lengths[s] & 0xF];
        }
        count[0] = 0;
        uint32_t kraft = 0;
        for (unsigned len = 1; len <= kMaxLength; ++len) {
            kraft += count[len] << (kMaxLength - len);
        }
        if (kraft > (1u << kMaxLength)) {
            return false;
        }
        std::array<uint32_t, kMaxLength + 1> nextCode{};
        uint32_t code = 0;
        uint32_t index = 0;
        maxLength_ = 0;
        for (unsigned len = 1; len <= kMaxLength; ++len) {
            code = (code + count[len - 1]) << 1;
            nextCode[len] = code;
            first_[len] = code << (16 - len);
            limit_[len] = (code + count[len]) << (16 - len);
            offset_[len] = index;
            index += count[len];
            if (count[len] != 0) {
                maxLength_ = len;
            }
        }
        std::array<uint32_t, kMaxLength + 1> fill = offset_;
        for (size_t s = 0; s < N; ++s) {
            const unsigned len = lengths[s] & 0xF;
            if (len != 0) {
                sorted_[fill[len]++] = static_cast<uint16_t>(s);
            }
        }
        quick_.fill(0);
        for (unsigned len = 1; len <= QuickBits && len <= maxLength_; ++len) {
            for (uint32_t k = 0; k < count[len]; ++k) {
                const uint32_t sym = sorted_[offset_[len] + k];
                const uint32_t start = (nextCode[len] + k) << (QuickBits - len);
                const uint32_t span = 1u << (QuickBits - len);
                for (uint32_t e = 0; e < span; ++e) {
                    quick_[start + e] = static_cast<uint16_t>((sym << 4) | len);
                }
            }
        }
        return true;
    }

    // Needs at least 15 valid bits in the cursor.
    uint32_t decode(BitCursor& c) const {
        const uint32_t v = c.peek16();
        const uint16_t e = quick_[v >> (16 - QuickBits)];
        if (e != 0) {
            c.skip(e & 0xF);
            return e >> 4;
        }
        for (unsigned len = QuickBits + 1; len <= maxLength_; ++len) {
            if (v < limit_[len]) {
                c.skip(len);
                return sorted_[offset_[len] + ((v - first_[len]) >> (16 - len))];
            }
        }
        return kInvalid;
    }

private:
    std::array<uint16_t, (1u << QuickBits)> quick_{};
    std::array<uint32_t, kMaxLength + 1> first_{};
    std::array<uint32_t, kMaxLength + 1> limit_{};
    std::array<uint32_t, kMaxLength + 1> offset_{};
    std::array<uint16_t, N> sorted_{};
    unsigned maxLength_ = 0;
};

} // namespace rarlib
