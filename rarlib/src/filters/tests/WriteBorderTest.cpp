// Writing a ring window out through pending filters: waiting for incomplete blocks, wrap-around,
// chained filters, and the cases that must fail instead of writing wrong data.
#include "FilterTestKit.h"

#include "filters/StandardFilters.h"
#include "filters/WriteBorder.h"

#include <gtest/gtest.h>

#include <vector>

namespace rarlib::filters::testing {
namespace {

// A 256-byte ring that a test fills as a decoder would; output is collected in `out`.
struct Fixture {
    static constexpr size_t kRing = 256;
    std::vector<uint8_t> ring = std::vector<uint8_t>(kRing);
    std::vector<uint8_t> stream; // everything "decoded" so far, for comparison
    std::vector<uint8_t> out;
    uint64_t written = 0;
    uint64_t entryStart = 0;
    FilterSet filters;
    int failWith = 0; // the write callback's result

    void produce(const std::vector<uint8_t>& bytes) {
        for (uint8_t b : bytes) {
            ring[stream.size() % kRing] = b;
            stream.push_back(b);
        }
    }
    FilterStatus flush(bool entryEnd = false) {
        return flushThroughFilters(filters, WindowView{ring.data(), kRing - 1}, stream.size(), written,
                                   entryStart, entryEnd, [this](const uint8_t* p, size_t n) {
                                       if (failWith == 0)
                                           out.insert(out.end(), p, p + n);
                                       return failWith;
                                   });
    }
    void addFilter(FilterType t, uint64_t at, uint32_t length, uint32_t r0 = 0) {
        RecordFields s;
        s.number = filters.knownFilters() + 1; // always a new filter
        if (filters.knownFilters() == 0)
            s.number = 0;
        s.start = static_cast<uint32_t>(at - stream.size());
        s.length = length;
        if (r0 != 0)
            s.regs[0] = r0;
        s.code = forgeStandardCode(t);
        const Record r = buildRecord(s);
        ASSERT_EQ(filters.addRecord(r.first, r.body, stream.size(), UINT64_MAX), FilterStatus::Ok);
    }
};

std::vector<uint8_t> bytes(size_t n, uint8_t seed) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(seed + i * 37 + (i >> 3));
    return v;
}

std::vector<uint8_t> deltaOf(std::vector<uint8_t> block, uint32_t channels) {
    std::vector<uint8_t> out(block.size());
    decodeDelta(block.data(), out.data(), static_cast<uint32_t>(block.size()), channels);
    return out;
}

TEST(WriteBorder, WritesEverythingWhenNoFilterIsPending) {
    Fixture f;
    for (int round = 0; round < 5; ++round) { // 5 x 200 bytes: the ring wraps every round
        f.produce(bytes(200, static_cast<uint8_t>(round)));
        ASSERT_EQ(f.flush(), FilterStatus::Ok);
        EXPECT_EQ(f.written, f.stream.size());
    }
    EXPECT_EQ(f.out, f.stream);
}

TEST(WriteBorder, HoldsAnIncompleteBlockThenWritesItFiltered) {
    Fixture f;
    f.produce(bytes(40, 1));
    f.addFilter(FilterType::Delta, 50, 60, 3);
    f.produce(bytes(30, 2)); // 70 bytes: the block [50, 110) is not complete
    ASSERT_EQ(f.flush(), FilterStatus::Ok);
    EXPECT_EQ(f.written, 50u);
    EXPECT_EQ(f.out.size(), 50u);
    f.produce(bytes(60, 3));
    ASSERT_EQ(f.flush(), FilterStatus::Ok);
    EXPECT_EQ(f.written, 130u);

    std::vector<uint8_t> want(f.stream.begin(), f.stream.begin() + 50);
    const auto block = deltaOf(std::vector<uint8_t>(f.stream.begin() + 50, f.stream.begin() + 110), 3);
    want.insert(want.end(), block.begin(), block.end());
    want.insert(want.end(), f.stream.begin() + 110, f.stream.end());
    EXPECT_EQ(f.out, want);
    EXPECT_FALSE(f.filters.hasPending());
}

TEST(WriteBorder, FiltersABlockThatWrapsAroundTheRing) {
    Fixture f;
    f.produce(bytes(200, 4));
    ASSERT_EQ(f.flush(), FilterStatus::Ok);
    f.entryStart = 100; // the entry began inside the stream: the filter sees offsets from there
    f.addFilter(FilterType::E8, 220, 100);
    std::vector<uint8_t> code = bytes(140, 5);
    code[30] = 0xE8; // at stream 230 = entry offset 130; operand at 131
    code[31] = 0x00, code[32] = 0x10, code[33] = 0x00, code[34] = 0x00;
    f.produce(code);
    ASSERT_EQ(f.flush(), FilterStatus::Ok);
    ASSERT_EQ(f.out.size(), f.stream.size());
    EXPECT_EQ(f.out[230], 0xE8);
    EXPECT_EQ(f.out[231] | f.out[232] << 8, 0x1000 - 131);
    std::vector<uint8_t> block(f.stream.begin() + 220, f.stream.begin() + 320);
    decodeE8(block.data(), 100, 120, false);
    EXPECT_TRUE(std::equal(block.begin(), block.end(), f.out.begin() + 220));
    EXPECT_TRUE(std::equal(f.out.begin() + 320, f.out.end(), f.stream.begin() + 320));
}

TEST(WriteBorder, ChainsFiltersOnTheSameBlock) {
    Fixture f;
    f.addFilter(FilterType::Delta, 10, 48, 4);
    f.addFilter(FilterType::Delta, 10, 48, 2);
    f.addFilter(FilterType::Delta, 60, 8, 1); // a different block: not chained
    f.produce(bytes(100, 6));
    ASSERT_EQ(f.flush(), FilterStatus::Ok);
    const auto once = deltaOf(std::vector<uint8_t>(f.stream.begin() + 10, f.stream.begin() + 58), 4);
    const auto twice = deltaOf(once, 2);
    EXPECT_TRUE(std::equal(twice.begin(), twice.end(), f.out.begin() + 10));
    const auto third = deltaOf(std::vector<uint8_t>(f.stream.begin() + 60, f.stream.begin() + 68), 1);
    EXPECT_TRUE(std::equal(third.begin(), third.end(), f.out.begin() + 60));
    EXPECT_EQ(f.out.size(), 100u);
}

TEST(WriteBorder, FailsInsteadOfWritingWrongData) {
    { // a block that starts inside output already written
        Fixture f;
        f.produce(bytes(50, 7));
        ASSERT_EQ(f.flush(), FilterStatus::Ok);
        f.addFilter(FilterType::Delta, 60, 20, 1);
        f.addFilter(FilterType::Delta, 70, 20, 1); // overlaps the first block
        f.produce(bytes(50, 8));
        EXPECT_EQ(f.flush(), FilterStatus::BadData);
    }
    { // the entry ends inside a block
        Fixture f;
        f.addFilter(FilterType::Delta, 10, 40, 1);
        f.produce(bytes(30, 9));
        EXPECT_EQ(f.flush(false), FilterStatus::Ok);
        EXPECT_EQ(f.flush(true), FilterStatus::BadData);
    }
    { // the decoder ran more than a window ahead of the output
        Fixture f;
        f.produce(bytes(Fixture::kRing + 1, 10));
        EXPECT_EQ(f.flush(), FilterStatus::BadData);
        EXPECT_TRUE(f.out.empty());
    }
    { // the output's own error is passed on
        Fixture f;
        f.produce(bytes(10, 11));
        f.failWith = 19;
        EXPECT_EQ(static_cast<int>(f.flush()), 19);
    }
}

} // namespace
} // namespace rarlib::filters::testing
