// Canonical Huffman tables: code assignment, long codes, and the validity rules.
#include <gtest/gtest.h>

#include <vector>

#include "mkpayload/BitWriter.h"
#include "unpack/Huffman.h"

namespace rarlib {
namespace {

// A cursor over bits given as a string of '0'/'1'.
struct BitString {
    explicit BitString(const std::string& bits) {
        mkpayload::TBitWriter w;
        for (char c : bits) {
            w.Put(c == '1' ? 1 : 0, 1);
        }
        bytes = w.Finish();
        bytes.resize(bytes.size() + 16); // the cursor reads ahead
        cursor.data = bytes.data();
    }
    uint32_t decodeWith(const auto& table) {
        cursor.refill();
        return table.decode(cursor);
    }
    std::vector<uint8_t> bytes;
    BitCursor cursor;
};

TEST(Huffman, AssignsCodesInLengthThenSymbolOrder) {
    // Lengths 2,3,4,2,0,4,... : codes 00 (s0), 01 (s3), 100 (s1), 1010 (s2), 1011 (s5).
    const uint8_t lengths[6] = {2, 3, 4, 2, 0, 4};
    HuffmanTable<6, 3> t;
    ASSERT_TRUE(t.build(lengths));
    BitString bits("00"
                   "01"
                   "100"
                   "1010"
                   "1011");
    EXPECT_EQ(bits.decodeWith(t), 0u);
    EXPECT_EQ(bits.decodeWith(t), 3u);
    EXPECT_EQ(bits.decodeWith(t), 1u);
    EXPECT_EQ(bits.decodeWith(t), 2u);
    EXPECT_EQ(bits.decodeWith(t), 5u);
    EXPECT_EQ(bits.cursor.pos * 8 - bits.cursor.count, 15u);
}

TEST(Huffman, DecodesCodesLongerThanTheLookupTable) {
    // A complete code with one symbol per length 1..14 and two of length 15.
    uint8_t lengths[16];
    for (int i = 0; i < 15; ++i) {
        lengths[i] = static_cast<uint8_t>(i + 1);
    }
    lengths[15] = 15;
    HuffmanTable<16, 4> t;
    ASSERT_TRUE(t.build(lengths));
    for (uint32_t s = 0; s < 16; ++s) {
        // Symbol s (s < 15) is s ones and a zero; the last two are 15 ones, then 14 ones and a zero.
        const std::string code = s < 15 ? std::string(s, '1') + "0" : std::string(15, '1');
        BitString bits(code);
        EXPECT_EQ(bits.decodeWith(t), s) << code;
        EXPECT_EQ(bits.cursor.pos * 8 - bits.cursor.count, code.size());
    }
}

TEST(Huffman, RefusesOverSubscribedCodes) {
    const uint8_t three[3] = {1, 1, 1};
    HuffmanTable<3, 4> t;
    EXPECT_FALSE(t.build(three));
    const uint8_t justFull[4] = {2, 2, 2, 2};
    HuffmanTable<4, 4> full;
    EXPECT_TRUE(full.build(justFull));
}

TEST(Huffman, UnusedPatternsOfAnIncompleteCodeDecodeToInvalid) {
    const uint8_t lengths[3] = {1, 0, 3}; // 0 and 100; 101, 110, 111 are unused
    HuffmanTable<3, 2> t;
    ASSERT_TRUE(t.build(lengths));
    BitString used("100");
    EXPECT_EQ(used.decodeWith(t), 2u);
    BitString unused("111");
    EXPECT_EQ(unused.decodeWith(t), (HuffmanTable<3, 2>::kInvalid));

    const uint8_t none[3] = {0, 0, 0};
    HuffmanTable<3, 2> empty;
    ASSERT_TRUE(empty.build(none));
    BitString any("0000");
    EXPECT_EQ(any.decodeWith(empty), (HuffmanTable<3, 2>::kInvalid));
}

} // namespace
} // namespace rarlib
