// Damaged and arbitrary input: every failure is Status::BadData, never undefined behaviour (the tests
// run under AddressSanitizer and UndefinedBehaviorSanitizer).
#include <gtest/gtest.h>

#include <random>

#include "OldArchive.h"
#include "support/Manifest.h"
#include "unpack15/Unpack15.h"

namespace rarlib::testing {
namespace {

Status decode(Unpack15& u, std::span<const uint8_t> packed, uint64_t size, bool solid, size_t& produced) {
    std::vector<uint8_t> out;
    const Status st = decodeTo(u, packed, size, solid, out);
    produced = out.size();
    return st;
}

// Nearly every bit pattern is a valid operation of this method, so random data reach all of them
// until a distance points before the start.
TEST(Unpack15Damage, ArbitraryInputFailsCleanly) {
    std::mt19937 rng(15);
    Unpack15 u;
    size_t ok = 0;
    for (int i = 0; i < 3000; ++i) {
        std::vector<uint8_t> packed(rng() % 200);
        for (auto& b : packed) {
            b = static_cast<uint8_t>(rng());
        }
        const uint64_t size = (i % 2) ? rng() % 16 : rng() % 600;
        size_t produced = 0;
        const Status st = decode(u, packed, size, (i % 3) != 0, produced);
        if (st == Status::Ok) {
            EXPECT_EQ(produced, size);
            ++ok;
        } else {
            EXPECT_EQ(st, Status::BadData);
            u.resetStream();
        }
    }
    // Both outcomes occur; a decoder that refused everything (or nothing) would not get here.
    EXPECT_GT(ok, 300u);
    EXPECT_LT(ok, 2900u);
}

TEST(Unpack15Damage, TruncatedOrFlippedEntry) {
    const OldArchive a = readOldArchive(test::readFile(test::fixturePath("rar15-comment.rar")));
    ASSERT_FALSE(a.entries.empty());
    const PackedItem& e = a.entries[0];
    Unpack15 u;
    size_t produced = 0;
    for (size_t cut = 0; cut < e.packed.size(); ++cut) {
        // The last bytes only pad the last code; from some cut on the data are missing.
        const Status st = decode(u, std::span(e.packed).first(cut), e.unpSize, false, produced);
        EXPECT_TRUE(st == Status::BadData || st == Status::Ok) << cut;
    }
    EXPECT_EQ(decode(u, std::span(e.packed).first(2), e.unpSize, false, produced), Status::BadData);
    std::vector<uint8_t> flipped = e.packed;
    for (size_t bit = 0; bit < flipped.size() * 8; ++bit) {
        flipped[bit / 8] ^= static_cast<uint8_t>(0x80 >> (bit % 8));
        const Status st = decode(u, flipped, e.unpSize, false, produced);
        EXPECT_TRUE(st == Status::BadData || st == Status::Ok) << bit;
        flipped[bit / 8] ^= static_cast<uint8_t>(0x80 >> (bit % 8));
    }
}

TEST(Unpack15Damage, SizeMustBeKnownAndErrorsStopTheStream) {
    const std::vector<uint8_t> zeros(64, 0);
    Unpack15 u;
    MemorySource src(zeros);
    VectorSink sink;
    EXPECT_EQ(u.decodeEntry(src, 0, false, false, &sink), Status::UnknownFormat);
    size_t produced = 0;
    // An empty entry needs no data; after a failed entry a solid continuation is refused.
    EXPECT_EQ(decode(u, {}, 0, false, produced), Status::Ok);
    EXPECT_EQ(decode(u, {}, 5, false, produced), Status::BadData);
    EXPECT_EQ(decode(u, zeros, 1, true, produced), Status::BadData);
}

} // namespace
} // namespace rarlib::testing
