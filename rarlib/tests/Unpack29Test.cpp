// The 2.9 LZ decoder on the reference vector and on streams written for each rule it enforces.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/Decode.h"
#include "support/LzStreamBuilder.h"
#include "unpack/Unpack29.h"

namespace rarlib {
namespace {

using test::LzStreamBuilder;
using Result = test::DecodeResult;
using test::decodeEntry;

// The packed data of the annotated one-file archive: "abcabcabc\r\n".
const std::vector<uint8_t> kReference = {0x08, 0xD0, 0xBF, 0x10, 0xBF, 0xA0, 0xD2, 0x15, 0xBF, 0xC1,
                                         0xD8, 0x37, 0x43, 0x71, 0xAB, 0x72, 0xE2, 0xD7, 0x00};

// The window copy against the byte-by-byte definition, also across the ring's end, with distances up to
// the whole window, and with the bytes after the match left as they were.
TEST(LzWindow, CopiesMatchesExactlyLikeByteByByte) {
    constexpr size_t kSize = LzWindow::kSize;
    std::vector<uint8_t> fast(kSize + LzWindow::kSlack);
    uint32_t seed = 7;
    auto next = [&] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (auto& b : fast) {
        b = static_cast<uint8_t>(next());
    }
    std::vector<uint8_t> slow = fast;
    const uint32_t distances[] = {1,  2,   3,      7,         8,         9,         15,
                                  16, 300, 0x2000, kSize - 9, kSize - 8, kSize - 1, kSize};
    for (int round = 0; round < 4000; ++round) {
        const uint64_t pos = kSize + (round % 3 == 0 ? kSize - 1 - next() % 300 : next() % kSize);
        const uint32_t dist = round % 2 ? distances[next() % std::size(distances)] : 1 + next() % kSize;
        const uint32_t len = 2 + next() % 257;
        LzWindow::copyMatch(fast.data(), pos, dist, len);
        for (uint32_t i = 0; i < len; ++i) {
            slow[(pos + i) & LzWindow::kMask] = slow[(pos + i - dist) & LzWindow::kMask];
        }
        ASSERT_TRUE(std::equal(slow.begin(), slow.begin() + kSize, fast.begin()))
            << "pos " << pos << " dist " << dist << " len " << len;
    }
}

TEST(Unpack29, DecodesTheReferenceStream) {
    const Result r = decodeEntry(kReference, 11);
    EXPECT_EQ(r.status, Status::Ok);
    EXPECT_EQ(r.out, "abcabcabc\r\n");
}

TEST(Unpack29, FailsOnEveryTruncationOfTheReferenceStream) {
    for (size_t n = 0; n < kReference.size() - 1; ++n) {
        const std::vector<uint8_t> cut(kReference.begin(),
                                       kReference.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_EQ(decodeEntry(cut, 11).status, Status::BadData) << n << " bytes";
    }
}

TEST(Unpack29, DecodesEveryKindOfToken) {
    // Enough history first for a distance that gets the long-distance length bonus.
    std::string want;
    for (int i = 0; i < 0x3000; ++i) {
        want.push_back(static_cast<char>('A' + i % 23));
    }
    want += "abcdefgh";
    auto copy = [&](size_t len, size_t dist) {
        for (size_t i = 0; i < len; ++i) {
            want.push_back(want[want.size() - dist]);
        }
    };
    LzStreamBuilder b;
    b.table().literals(want.c_str());
    b.match(10, 8); // overlapping copy
    copy(10, 8);
    b.repeatLast(); // symbol 258: same length and distance
    copy(10, 8);
    b.repeatDistance(0, 4); // symbol 259 with a new length
    copy(4, 8);
    b.match(3, 1); // run of one byte
    copy(3, 1);
    b.match(5, 0x3000); // coded as length 4: +1 for distances from 0x2000
    copy(5, 0x3000);
    b.rawBits(264, 9).rawBits(2, 2); // short distance 5 + 2 = 7, length 2
    copy(2, 7);
    b.repeatDistance(1, 3); // the second-last distance again (0x3000)
    copy(3, 0x3000);
    b.endOfFile();
    const Result r = decodeEntry(b.finish(), want.size());
    EXPECT_EQ(r.status, Status::Ok);
    EXPECT_EQ(r.out, want);
}

TEST(Unpack29, AcceptsANewTableInTheMiddleOfAFile) {
    const auto packed = LzStreamBuilder()
                            .table()
                            .literals("first ")
                            .newTable()
                            .literals("second")
                            .match(6, 12)
                            .endOfFile()
                            .finish();
    const Result r = decodeEntry(packed, 18);
    EXPECT_EQ(r.status, Status::Ok);
    EXPECT_EQ(r.out, "first secondfirst ");
}

// Each fails without writing past the entry's size.
TEST(Unpack29, RefusesCorruptAndUnsupportedStreams) {
    const struct {
        const char* what;
        std::vector<uint8_t> packed;
        uint64_t size;
        Status expected;
    } cases[] = {
        {"distance before the start",
         LzStreamBuilder().table().literals("ab").match(3, 3).endOfFile().finish(), 5, Status::BadData},
        {"old distance never set",
         LzStreamBuilder().table().literal('x').repeatDistance(2, 3).endOfFile().finish(), 4,
         Status::BadData},
        {"more output than the size", LzStreamBuilder().table().literals("abcdef").endOfFile().finish(), 5,
         Status::BadData},
        {"less output than the size", LzStreamBuilder().table().literals("abcd").endOfFile().finish(), 5,
         Status::BadData},
        {"no end of file", LzStreamBuilder().table().literals("abcd").finish(), 4, Status::BadData},
        {"symbol without a code", LzStreamBuilder().table().literals("ab").rawBits(0x1FF, 9).finish(), 3,
         Status::BadData},
        {"repeat length at the first position",
         LzStreamBuilder()
             .rawBits(0, 2)
             .rawBits(0x55555, 20)
             .rawBits(0x55555, 20)
             .rawBits(0x55555, 20)
             .rawBits(0x55555, 20)
             .rawBits(16, 5)
             .finish(),
         1, Status::BadData},
        {"over-subscribed pre-code",
         LzStreamBuilder()
             .rawBits(0, 2)
             .rawBits(0x11111, 20)
             .rawBits(0x11111, 20)
             .rawBits(0x11111, 20)
             .rawBits(0x11111, 20)
             .finish(),
         1, Status::BadData},
        {"filter record that defines no filter",
         LzStreamBuilder().table().literals("ab").filterRecord().literal('c').endOfFile().finish(), 3,
         Status::BadData},
        {"PPMd block whose data ends", LzStreamBuilder().ppmBlock().finish(), 3, Status::BadData},
        {"PPMd block after a table whose data ends",
         LzStreamBuilder().table().literal('a').rawBits(256, 9).rawBits(1, 1).ppmBlock().finish(), 3,
         Status::BadData},
    };
    for (const auto& c : cases) {
        const Result r = decodeEntry(c.packed, c.size);
        EXPECT_EQ(r.status, c.expected) << c.what;
        EXPECT_LE(r.out.size(), c.size) << c.what;
    }
}

TEST(Unpack29, ContinuesASolidStreamWithTheKeptTables) {
    Unpack29 u;
    Result first =
        decodeEntry(u, LzStreamBuilder().table().literals("solid data ").endOfFile(false).finish(), 11);
    ASSERT_EQ(first.status, Status::Ok);
    // No table: the next entry starts with symbols and refers back into the first entry's output.
    const Result second =
        decodeEntry(u, LzStreamBuilder().match(11, 11).literal('!').endOfFile().finish(), 12, true);
    EXPECT_EQ(second.status, Status::Ok);
    EXPECT_EQ(second.out, "solid data !");
}

TEST(Unpack29, ReadsATableAtTheStartOfASolidEntryWhenAsked) {
    Unpack29 u;
    ASSERT_EQ(decodeEntry(u, LzStreamBuilder().table().literals("xyz").endOfFile(true).finish(), 3).status,
              Status::Ok);
    const Result second = decodeEntry(u, LzStreamBuilder().table().match(3, 3).endOfFile().finish(), 3, true);
    EXPECT_EQ(second.status, Status::Ok);
    EXPECT_EQ(second.out, "xyz");
}

TEST(Unpack29, ANonSolidEntryCannotSeeThePreviousOutput) {
    Unpack29 u;
    ASSERT_EQ(decodeEntry(u, LzStreamBuilder().table().literals("xyz").endOfFile().finish(), 3).status,
              Status::Ok);
    EXPECT_EQ(decodeEntry(u, LzStreamBuilder().table().match(3, 3).endOfFile().finish(), 3, false).status,
              Status::BadData);
}

} // namespace
} // namespace rarlib
