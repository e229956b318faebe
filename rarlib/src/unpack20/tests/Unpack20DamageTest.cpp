// Damaged and hostile input: every failure is Status::BadData (or a clean result), never undefined
// behaviour; the tests run under AddressSanitizer and UndefinedBehaviorSanitizer.
#include <gtest/gtest.h>

#include "Unpack20TestKit.h"

namespace rarlib::testing {
namespace {

// One stream with every coding, tables of both kinds and table changes.
std::vector<uint8_t> richStream(std::vector<uint8_t>& content) {
    Lz20Writer w;
    w.beginLzBlock();
    for (const StreamCase& c : streamCases()) {
        if (std::string(c.name).find("long distances") == std::string::npos) {
            c.write(w);
            w.beginLzBlock();
        }
    }
    auto packed = w.endEntry();
    content = w.output();
    return packed;
}

TEST(Unpack20Damage, TruncationIsBadData) {
    std::vector<uint8_t> content;
    const auto packed = richStream(content);
    Unpack20 u;
    std::vector<uint8_t> out;
    ASSERT_EQ(decodeTo(u, packed, content.size(), false, out), Status::Ok);
    ASSERT_TRUE(out == content);
    for (size_t cut = 0; cut < packed.size(); cut += 1 + cut / 64) {
        SCOPED_TRACE(cut);
        EXPECT_EQ(decodeTo(u, std::span(packed).first(cut), content.size(), false, out), Status::BadData);
    }
}

TEST(Unpack20Damage, BitFlipsFailCleanly) {
    std::vector<uint8_t> content;
    auto packed = richStream(content);
    Unpack20 u;
    std::vector<uint8_t> out;
    size_t failures = 0;
    size_t flips = 0;
    for (size_t bit = 0; bit < packed.size() * 8; bit += 1 + bit / 40) {
        packed[bit / 8] ^= static_cast<uint8_t>(0x80 >> (bit % 8));
        const Status st = decodeTo(u, packed, content.size(), false, out);
        packed[bit / 8] ^= static_cast<uint8_t>(0x80 >> (bit % 8));
        ++flips;
        if (st != Status::Ok) {
            EXPECT_EQ(st, Status::BadData);
            ++failures;
        } else {
            EXPECT_EQ(out.size(), content.size());
        }
    }
    // Most flips break the stream; a decoder that ignored damage would report none.
    EXPECT_GT(failures, flips / 4);
}

// Hand-made table headers that are wrong in one way each.
TEST(Unpack20Damage, InvalidTables) {
    struct Case {
        const char* name;
        std::vector<std::pair<uint32_t, unsigned>> bits; // value, width
    };
    // LZ block without "keep"; pre-code lengths for symbols 0..18.
    auto preLengths = [](std::initializer_list<uint8_t> l) {
        std::vector<std::pair<uint32_t, unsigned>> v = {{0, 2}};
        for (uint8_t x : l) {
            v.push_back({x, 4});
        }
        return v;
    };
    std::vector<Case> cases;
    // Three one-bit codes: over-subscribed.
    cases.push_back(
        {"over-subscribed pre-code", preLengths({1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})});
    // Symbol 16 (repeat the previous length) as the very first length.
    auto repeatFirst = preLengths({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0});
    repeatFirst.push_back({0, 1}); // code of 16
    repeatFirst.push_back({0, 2});
    cases.push_back({"repeat before any length", repeatFirst});
    // Pre-code symbol 1 ("add one") coded as 0: the zero bits that follow make every length 1.
    cases.push_back({"over-subscribed main table",
                     preLengths({0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1})});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        mkpayload::TBitWriter w;
        for (auto [v, n] : c.bits) {
            w.Put(v, n);
        }
        for (int i = 0; i < 64; ++i) {
            w.Put(0, 8);
        }
        Unpack20 u;
        std::vector<uint8_t> out;
        EXPECT_EQ(decodeTo(u, w.Finish(), 10, false, out), Status::BadData);
    }
}

// Matches that reach before the stream start or past the entry's end.
TEST(Unpack20Damage, MatchesOutsideTheEntry) {
    struct Case {
        const char* name;
        void (*write)(Lz20Writer&);
        uint64_t size; // 0: what the writer produced
    };
    const Case cases[] = {
        {"new distance", [](Lz20Writer& w) { w.literal('a'), w.match(3, 2); }, 0},
        {"short distance", [](Lz20Writer& w) { w.literals(std::vector<uint8_t>(3, 'a')), w.shortMatch(4); },
         0},
        {"unset old distance", [](Lz20Writer& w) { w.literal('a'), w.match(3, 1), w.repeatOld(1, 2); }, 0},
        {"past the entry's end", [](Lz20Writer& w) { w.literal('a'), w.match(10, 1); }, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Lz20Writer w;
        w.allowBadDistances();
        w.beginLzBlock();
        c.write(w);
        const auto packed = w.endEntry();
        Unpack20 u;
        std::vector<uint8_t> out;
        EXPECT_EQ(decodeTo(u, packed, c.size ? c.size : w.output().size(), false, out), Status::BadData);
    }
}

TEST(Unpack20Damage, RepeatingNothingIsHarmless) {
    Lz20Writer w;
    w.beginLzBlock();
    w.repeatLast(); // no match yet: length 0
    w.literal('z');
    const auto packed = w.endEntry();
    Unpack20 u;
    std::vector<uint8_t> out;
    EXPECT_EQ(decodeTo(u, packed, 1, false, out), Status::Ok);
    EXPECT_EQ(out, std::vector<uint8_t>{'z'});
}

TEST(Unpack20Damage, SizeMustBeKnown) {
    Lz20Writer w;
    w.beginLzBlock();
    w.literal('z');
    const auto packed = w.endEntry();
    MemorySource src(packed);
    VectorSink sink;
    Unpack20 u;
    EXPECT_EQ(u.decodeEntry(src, 0, false, false, &sink), Status::UnknownFormat);
    EXPECT_TRUE(sink.bytes.empty());
}

// Tables after an entry's last byte belong to the next entry: damage there does not fail the entry
// that is complete, but the stream cannot go on.
TEST(Unpack20Damage, DamagedTrailingTablesStopTheStream) {
    auto write = [](unsigned announce, std::vector<uint8_t>& second) {
        Lz20Writer w;
        w.beginLzBlock(false, true);
        w.literals(noise(100, 30));
        auto first = w.endEntry(announce);
        w.literals(noise(10, 31));
        second = w.endEntry();
        return first;
    };
    std::vector<uint8_t> second;
    std::vector<uint8_t> plainSecond;
    auto first = write(1, second);
    const auto plain = write(0, plainSecond);
    ASSERT_GT(first.size(), plain.size() + 10);
    Unpack20 u;
    std::vector<uint8_t> out;
    std::vector<uint8_t> content;
    ASSERT_EQ(decodeTo(u, first, 100, false, content), Status::Ok);
    ASSERT_EQ(decodeTo(u, second, 10, true, out), Status::Ok);
    // Past the new-table symbol: pre-code lengths of 15 and codes none of them has.
    std::fill(first.begin() + static_cast<ptrdiff_t>(plain.size()) + 2, first.end(), 0xFF);
    ASSERT_EQ(decodeTo(u, first, 100, false, out), Status::Ok);
    EXPECT_EQ(out, content);
    EXPECT_EQ(decodeTo(u, second, 10, true, out), Status::BadData);
}

} // namespace
} // namespace rarlib::testing
