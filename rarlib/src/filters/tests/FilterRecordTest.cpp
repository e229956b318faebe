// Filter records: the number format, recognising the standard filters, the table of known filters
// across records and entries, and records a hostile archive could send.
#include "FilterTestKit.h"

#include "filters/FilterIdentify.h"
#include "filters/FilterRecord.h"
#include "filters/FilterSet.h"
#include "filters/VmBitReader.h"

#include <gtest/gtest.h>

#include <string>

namespace rarlib::filters::testing {
namespace {

constexpr uint64_t kNoEnd = UINT64_MAX;

std::vector<uint8_t> bits(const std::string& s) {
    BitWriter w;
    for (char c : s)
        if (c == '0' || c == '1')
            w.Put(static_cast<uint32_t>(c - '0'), 1);
    return w.Finish();
}

TEST(VmNumber, DecodesEachSelector) {
    const struct {
        const char* bits;
        uint32_t value;
    } cases[] = {
        {"00 0101", 5},
        {"01 00000010 0011", 0xFFFFFF23},
        {"01 00011101", 29},
        {"10 1000000000000001", 0x8001},
        {"11 10000000000000000000000000000011", 0x80000003},
    };
    for (const auto& c : cases) {
        const auto data = bits(c.bits);
        VmBitReader r(data);
        EXPECT_EQ(r.number(), c.value) << c.bits;
    }
}

TEST(FilterIdentify, RecognisesEachStandardFilterByFingerprint) {
    for (FilterType t : {FilterType::E8, FilterType::E8E9, FilterType::Itanium, FilterType::Delta,
                         FilterType::Rgb, FilterType::Audio}) {
        std::vector<uint8_t> code = forgeStandardCode(t);
        EXPECT_EQ(identifyFilter(code), t);
        // One changed byte: the XOR check fails; fix the check byte too: the CRC no longer matches.
        code[5] ^= 0x40;
        EXPECT_EQ(identifyFilter(code), std::nullopt);
        code[0] ^= 0x40;
        EXPECT_EQ(identifyFilter(code), std::nullopt);
    }
    EXPECT_EQ(identifyFilter({}), std::nullopt);
}

// The DELTA filter of a solid archive's first entry, then the 3-byte record of its second entry
// that reuses it, laid out as a real solid archive has them.
TEST(FilterSet, DefinesAFilterThenReusesItInTheNextSolidEntry) {
    RecordFields fields;
    fields.number = 0;
    fields.length = 2048;
    fields.regs[0] = 4;
    fields.code = forgeStandardCode(FilterType::Delta);
    const Record def = buildRecord(fields);
    EXPECT_EQ(def.first, 0xB6);
    ASSERT_EQ(def.body.size(), 36u);
    EXPECT_EQ(std::vector<uint8_t>(def.body.begin(), def.body.begin() + 6),
              (std::vector<uint8_t>{0x00, 0x08, 0x20, 0x00, 0x08, 0x88}));

    FilterSet set;
    set.startEntry(false);
    ASSERT_EQ(set.addRecord(def.first, def.body, 0, 2048), FilterStatus::Ok);
    ASSERT_EQ(set.pendingCount(), 1u);
    EXPECT_EQ(set.nextPending().type, FilterType::Delta);
    EXPECT_EQ(set.nextPending().blockStart, 0u);
    EXPECT_EQ(set.nextPending().blockLength, 2048u);
    EXPECT_EQ(set.nextPending().regs[0], 4u);

    set.startEntry(true);
    const std::vector<uint8_t> reuse = {0x00, 0x08, 0x80};
    ASSERT_EQ(set.addRecord(0x12, reuse, 2048, 4096), FilterStatus::Ok);
    ASSERT_EQ(set.pendingCount(), 2u);
    EXPECT_EQ(set.knownFilters(), 1u);

    // A non-solid entry forgets the filter: the same record is then a new filter without code.
    set.startEntry(false);
    EXPECT_EQ(set.pendingCount(), 0u);
    EXPECT_EQ(set.addRecord(0x12, reuse, 0, 4096), FilterStatus::BadData);
}

TEST(FilterSet, KeepsPerFilterLengthAndStartOffsets) {
    FilterSet set;
    RecordFields e8;
    e8.number = 0;
    e8.start = 10;
    e8.length = 1000;
    e8.code = forgeStandardCode(FilterType::E8E9);
    const Record first = buildRecord(e8);
    ASSERT_EQ(set.addRecord(first.first, first.body, 5000, kNoEnd), FilterStatus::Ok);
    EXPECT_EQ(set.nextPending().blockStart, 5010u);

    RecordFields delta;
    delta.number = 2; // filter 1: new
    delta.length = 64;
    delta.regs[0] = 3;
    delta.code = forgeStandardCode(FilterType::Delta);
    const Record second = buildRecord(delta);
    ASSERT_EQ(set.addRecord(second.first, second.body, 7000, kNoEnd), FilterStatus::Ok);

    RecordFields again; // filter 0 by number, its last length, start + 258
    again.number = 1;
    again.startPlus258 = true;
    again.start = 2;
    const Record third = buildRecord(again);
    ASSERT_EQ(set.addRecord(third.first, third.body, 9000, kNoEnd), FilterStatus::Ok);
    ASSERT_EQ(set.pendingCount(), 3u);

    RecordFields last; // no number: the last filter used (0) again
    const Record fourth = buildRecord(last);
    ASSERT_EQ(set.addRecord(fourth.first, fourth.body, 9500, kNoEnd), FilterStatus::Ok);

    const auto& seen = set.pending();
    EXPECT_EQ(seen[2].type, FilterType::E8E9);
    EXPECT_EQ(seen[2].blockStart, 9000u + 258 + 2);
    EXPECT_EQ(seen[2].blockLength, 1000u);
    EXPECT_EQ(seen[2].regs[5], 1u); // second use of filter 0
    EXPECT_EQ(seen[3].type, FilterType::E8E9);
    EXPECT_EQ(seen[3].regs[5], 2u);
    EXPECT_EQ(seen[1].regs[4], 64u);
}

struct HostileCase {
    const char* what;
    RecordFields fields;
    uint64_t entryEnd;
    FilterStatus expected;
};

RecordFields newFilter(FilterType t, uint32_t length,
                       std::initializer_list<std::pair<int, uint32_t>> regs = {}) {
    RecordFields s;
    s.number = 0;
    s.length = length;
    for (auto [i, v] : regs)
        s.regs[static_cast<size_t>(i)] = v;
    s.code = forgeStandardCode(t);
    return s;
}

TEST(FilterSet, RejectsHostileRecords) {
    std::vector<HostileCase> cases;
    auto add = [&](const char* what, RecordFields s, FilterStatus st, uint64_t end = kNoEnd) {
        cases.push_back({what, std::move(s), end, st});
    };
    add("E8 block at the limit", newFilter(FilterType::E8, 0x3C000), FilterStatus::BadData);
    add("E8 block just under", newFilter(FilterType::E8, 0x3BFFF), FilterStatus::Ok);
    add("ITANIUM block at the limit", newFilter(FilterType::Itanium, 0x3C000), FilterStatus::BadData);
    add("DELTA without channels", newFilter(FilterType::Delta, 100, {{0, 0}}), FilterStatus::BadData);
    add("DELTA 1025 channels", newFilter(FilterType::Delta, 100, {{0, 1025}}), FilterStatus::BadData);
    add("DELTA 1024 channels", newFilter(FilterType::Delta, 100, {{0, 1024}}), FilterStatus::Ok);
    add("DELTA block at the limit", newFilter(FilterType::Delta, 0x1E000, {{0, 4}}), FilterStatus::BadData);
    add("AUDIO without channels", newFilter(FilterType::Audio, 100), FilterStatus::BadData);
    add("AUDIO block at the limit", newFilter(FilterType::Audio, 0x1E000, {{0, 2}}), FilterStatus::BadData);
    add("RGB stride 2", newFilter(FilterType::Rgb, 300, {{0, 2}}), FilterStatus::BadData);
    add("RGB stride past the block", newFilter(FilterType::Rgb, 300, {{0, 304}}), FilterStatus::BadData);
    add("RGB stride at the block", newFilter(FilterType::Rgb, 300, {{0, 303}}), FilterStatus::Ok);
    add("RGB red position 3", newFilter(FilterType::Rgb, 300, {{0, 30}, {1, 3}}), FilterStatus::BadData);
    add("RGB block of 2 bytes", newFilter(FilterType::Rgb, 2, {{0, 3}}), FilterStatus::BadData);
    add("block past the entry end", newFilter(FilterType::E8, 100), FilterStatus::BadData, 99);
    add("block ending at the entry end", newFilter(FilterType::E8, 100), FilterStatus::Ok, 100);
    {
        RecordFields s = newFilter(FilterType::E8, 100);
        s.start = 0xFFFFFFFF; // start far beyond anything an entry holds
        add("block start beyond the entry", s, FilterStatus::BadData, 1 << 20);
    }
    {
        RecordFields s = newFilter(FilterType::E8, 100);
        s.code = {0x00};
        s.code.push_back(0x00); // valid XOR, no fingerprint
        add("unknown code", s, FilterStatus::UnknownFormat);
    }
    {
        RecordFields s = newFilter(FilterType::E8, 100);
        s.code[1] ^= 1; // XOR check fails
        add("code failing its check byte", s, FilterStatus::UnknownFormat);
    }
    {
        RecordFields s = newFilter(FilterType::E8, 100);
        s.code.clear(); // new filter without code: size reads as 0
        add("new filter without code", s, FilterStatus::BadData);
    }
    {
        RecordFields s = newFilter(FilterType::E8, 100);
        s.number = 5; // filter 4 while none is known
        s.code.clear();
        add("filter number beyond the table", s, FilterStatus::BadData);
    }
    {
        RecordFields s = newFilter(FilterType::E8, 100);
        s.globalSize = 0x2000 - 0x40;
        add("global data at the limit", s, FilterStatus::Ok);
        s.globalSize = 0x2000 - 0x3F;
        add("global data over the limit", s, FilterStatus::BadData);
    }

    for (const HostileCase& c : cases) {
        FilterSet set;
        const Record r = buildRecord(c.fields);
        EXPECT_EQ(set.addRecord(r.first, r.body, 0, c.entryEnd), c.expected) << c.what;
        EXPECT_EQ(set.pendingCount(), c.expected == FilterStatus::Ok ? 1u : 0u) << c.what;
    }
}

TEST(FilterSet, RejectsCodeSizesTheRecordCannotHold) {
    FilterSet set;
    const Record ok = buildRecord(newFilter(FilterType::E8, 100));
    // Cut the record inside the code: its stated size is more than the record holds.
    std::vector<uint8_t> cut(ok.body.begin(), ok.body.end() - 2);
    EXPECT_EQ(set.addRecord(ok.first, cut, 0, kNoEnd), FilterStatus::BadData);

    BitWriter w; // code size 0x10000
    w.number(0); // reset
    w.number(0); // start
    w.number(100);
    w.number(0x10000);
    const std::vector<uint8_t> body = w.Finish();
    EXPECT_EQ(set.addRecord(0x80 | 0x20, body, 0, kNoEnd), FilterStatus::BadData);
}

TEST(FilterSet, BoundsTheFilterTableAndThePendingList) {
    FilterSet set;
    const std::vector<uint8_t> code = forgeStandardCode(FilterType::E8);
    for (uint32_t i = 0; i < kMaxFilters; ++i) {
        RecordFields s;
        s.number = i == 0 ? 0 : i + 1; // reset, then new filters 1, 2, ...
        s.length = 16;
        s.code = code;
        const Record r = buildRecord(s);
        ASSERT_EQ(set.addRecord(r.first, r.body, 0, kNoEnd), FilterStatus::Ok) << i;
    }
    EXPECT_EQ(set.knownFilters(), kMaxFilters);
    EXPECT_EQ(set.pendingCount(), kMaxFilters);

    RecordFields reuse; // the pending list is full too
    reuse.number = 1;
    Record r = buildRecord(reuse);
    EXPECT_EQ(set.addRecord(r.first, r.body, 0, kNoEnd), FilterStatus::BadData);

    RecordFields more; // a 8193rd filter
    more.number = kMaxFilters + 1;
    more.length = 16;
    more.code = code;
    r = buildRecord(more);
    EXPECT_EQ(set.addRecord(r.first, r.body, 0, kNoEnd), FilterStatus::BadData);

    // Number 0 starts the numbering afresh and drops what was pending.
    RecordFields reset;
    reset.number = 0;
    reset.length = 16;
    reset.code = code;
    r = buildRecord(reset);
    EXPECT_EQ(set.addRecord(r.first, r.body, 0, kNoEnd), FilterStatus::Ok);
    EXPECT_EQ(set.knownFilters(), 1u);
    EXPECT_EQ(set.pendingCount(), 1u);
}

TEST(FilterRecord, ReadsTheLengthFormsFromDecodedBytes) {
    const struct {
        std::vector<int> bytes;
        FilterStatus status;
        size_t bodySize;
    } cases[] = {
        {{0x12, 1, 2, 3}, FilterStatus::Ok, 3},                      // length in the flag byte
        {{0x06, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0}, FilterStatus::Ok, 9}, // one more byte: 2 + 7
        {{0x07, 0, 2, 9, 9}, FilterStatus::Ok, 2},                   // 16-bit length
        {{0x07, 0, 0}, FilterStatus::BadData, 0},                    // 16-bit length 0
        {{0x12, 1, 2}, FilterStatus::BadData, 0},                    // data ends in the body
        {{0x07, 1}, FilterStatus::BadData, 0},                       // data ends in the length
        {{}, FilterStatus::BadData, 0},
    };
    for (const auto& c : cases) {
        size_t i = 0;
        auto next = [&] {
            return i < c.bytes.size() ? c.bytes[i++] : -1;
        };
        uint8_t first = 0;
        std::vector<uint8_t> body;
        const FilterStatus st = readFilterRecord(next, first, body);
        EXPECT_EQ(st, c.status) << "case of " << c.bytes.size() << " bytes";
        if (st == FilterStatus::Ok) {
            EXPECT_EQ(first, c.bytes[0]);
            EXPECT_EQ(body.size(), c.bodySize);
            EXPECT_EQ(i, c.bytes.size());
        }
    }
}

} // namespace
} // namespace rarlib::filters::testing
