// The x86 filter against our own reader's filter code: the program is recognised, the records parse
// into the blocks meant, and the transform is undone exactly. The other readers' view of whole
// archives is in ReadersTest.cpp.
#include "TestSupport.h"
#include "X86Filter.h"
#include "filters/FilterIdentify.h"
#include "filters/FilterRecord.h"
#include "filters/FilterSet.h"
#include "filters/StandardFilters.h"

#include <gtest/gtest.h>

namespace mkpayload::test {
namespace {

using rarlib::filters::FilterSet;
using rarlib::filters::FilterStatus;
using rarlib::filters::FilterType;

TEST(X86Filter, ProgramIsTheOneOurLibraryKnowsAsE8E9) {
    const std::span<const uint8_t> program = x86::ProgramBytes();
    EXPECT_EQ(rarlib::filters::identifyFilter(program), FilterType::E8E9);
}

// Hands a record's bytes to the library's parser as the decoder would at `streamPos`.
FilterStatus Feed(FilterSet& set, const std::vector<uint8_t>& record, uint64_t streamPos) {
    size_t next = 0;
    uint8_t first = 0;
    std::vector<uint8_t> body;
    const auto byte = [&]() {
        return next < record.size() ? int{record[next++]} : -1;
    };
    if (rarlib::filters::readFilterRecord(byte, first, body) != FilterStatus::Ok || next != record.size()) {
        return FilterStatus::BadData;
    }
    return set.addRecord(first, body, streamPos, UINT64_MAX);
}

TEST(X86Filter, RecordsDefineThenReuseTheFilter) {
    struct TStep {
        bool define;
        bool newLength;
        uint32_t length;
        uint64_t streamPos;
        uint32_t expectedLength; // what the reader takes, a repeated length included
    };
    const TStep steps[] = {
        {true, true, 0x10000, 1000, 0x10000},
        {false, false, 0x10000, 1000 + 0x10000, 0x10000},
        {false, true, 77, 1000 + 0x20000, 77},
        {false, true, 0x10000, 5u << 20, 0x10000},
        // A new stream defines it again, which starts the reader's table afresh.
        {true, true, 300, 9u << 20, 300},
    };
    FilterSet set;
    for (const TStep& s : steps) {
        ASSERT_EQ(Feed(set, x86::Record(s.define, s.newLength, s.length), s.streamPos), FilterStatus::Ok)
            << s.streamPos;
        const rarlib::filters::FilterInvocation& f = set.pending().back();
        EXPECT_EQ(f.type, FilterType::E8E9) << s.streamPos;
        EXPECT_EQ(f.blockStart, s.streamPos);
        EXPECT_EQ(f.blockLength, s.expectedLength) << s.streamPos;
        EXPECT_EQ(set.knownFilters(), 1u) << s.streamPos;
    }
}

TEST(X86Filter, OurLibraryUndoesTheTransform) {
    struct TCase {
        uint32_t filePos;
        size_t size;
        uint32_t seed;
    };
    const TCase cases[] = {
        {0, 0x10000, 1},
        {0x200, 0x10000, 2},
        {0xFFF000, 0x10000, 3}, // near the 16 MB image's end
        {0x1000000, 0x10000, 4},
        {0x7FFF0000, 0x10000, 5},
        {100, 5, 6},
        {100, 4, 7},
        {100, 9, 8},
        {0x30000, 0x3BFFF, 9},
    };
    for (const TCase& c : cases) {
        const std::string code = CallHeavyCode(c.size, c.seed, c.filePos);
        const std::vector<uint8_t> original(code.begin(), code.end());
        std::vector<uint8_t> block = original;
        x86::EncodeBlock(block, c.filePos);
        if (c.size > 0x1000 && c.filePos < 0x1000000) {
            EXPECT_NE(block, original) << c.filePos << " " << c.size;
        }
        rarlib::filters::decodeE8(block.data(), static_cast<uint32_t>(block.size()), c.filePos, true);
        EXPECT_TRUE(block == original) << c.filePos << " " << c.size;
    }
}

TEST(X86Filter, EveryOperandValueComesBack) {
    // One call per block, its operand swept over the 32-bit range at several file positions.
    for (const uint32_t filePos : {0u, 0x1234u, 0xFFFFF0u, 0x1000000u, 0x80000000u}) {
        for (uint64_t v = 0; v <= 0xFFFFFFFFu; v += 0x00F0F0F1) {
            for (const uint32_t operand : {static_cast<uint32_t>(v), static_cast<uint32_t>(-v)}) {
                std::vector<uint8_t> block = {0xE8,
                                              static_cast<uint8_t>(operand),
                                              static_cast<uint8_t>(operand >> 8),
                                              static_cast<uint8_t>(operand >> 16),
                                              static_cast<uint8_t>(operand >> 24),
                                              0x90};
                const std::vector<uint8_t> original = block;
                x86::EncodeBlock(block, filePos);
                rarlib::filters::decodeE8(block.data(), static_cast<uint32_t>(block.size()), filePos, true);
                ASSERT_EQ(block, original) << filePos << " " << operand;
            }
        }
    }
}

TEST(X86Filter, FindsTheCodeOfX86ProgramsOnly) {
    constexpr uint32_t kSize = 0x8000;
    const TPeSection text{0x400, 0x3000};
    const TPeSection data{0x3400, 0x1000, kPeDataSection};
    struct TCase {
        const char* what;
        std::string bytes;
        std::vector<x86::TRange> expected;
    };
    std::string notPe = SyntheticPe(0x014C, {text}, kSize, 1);
    notPe[0] = 'X';
    std::string badSignature = SyntheticPe(0x014C, {text}, kSize, 1);
    badSignature[0x81] = 'X';
    const TCase cases[] = {
        {"i386", SyntheticPe(0x014C, {data, text}, kSize, 1), {{0x400, 0x3400}}},
        {"amd64", SyntheticPe(0x8664, {text}, kSize, 1), {{0x400, 0x3400}}},
        {"arm", SyntheticPe(0x01C4, {text}, kSize, 1), {}},
        {"adjacent sections merge",
         SyntheticPe(0x014C, {text, {0x3400, 0x800, 0x20000000}, data}, kSize, 1),
         {{0x400, 0x3C00}}},
        {"clipped to the file", SyntheticPe(0x014C, {{0x7000, 0x4000}}, kSize, 1), {{0x7000, kSize}}},
        {"section beyond the file", SyntheticPe(0x014C, {{0x9000, 0x1000}}, kSize, 1), {}},
        {"no MZ", notPe, {}},
        {"no PE signature", badSignature, {}},
        {"headers cut short", SyntheticPe(0x014C, {text}, kSize, 1).substr(0, 0x90), {}},
    };
    for (const TCase& c : cases) {
        const std::vector<x86::TRange> found =
            x86::FindCode(std::span(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size()), kSize);
        ASSERT_EQ(found.size(), c.expected.size()) << c.what;
        for (size_t i = 0; i < found.size(); ++i) {
            EXPECT_EQ(found[i].begin, c.expected[i].begin) << c.what;
            EXPECT_EQ(found[i].end, c.expected[i].end) << c.what;
        }
    }
}

} // namespace
} // namespace mkpayload::test
