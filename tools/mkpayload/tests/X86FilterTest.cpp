// The x86 filter against our own reader's filter code: the program is recognised and the transform
// is undone exactly. The other readers' view of whole archives is in ReadersTest.cpp.
#include "TestSupport.h"
#include "X86Filter.h"
#include "filters/FilterIdentify.h"
#include "filters/StandardFilters.h"

#include <gtest/gtest.h>

namespace mkpayload::test {
namespace {

using rarlib::filters::FilterType;

TEST(X86Filter, ProgramIsTheOneOurLibraryKnowsAsE8E9) {
    const std::span<const uint8_t> program = x86::ProgramBytes();
    EXPECT_EQ(rarlib::filters::identifyFilter(program), FilterType::E8E9);
}

// Calls to routines all over the image, calls whose operands sweep the 32-bit range and calls at the
// edges of what is transformed come back exactly wherever the block lies in its file. Records need no
// test of their own: every reader in ReadersTest.cpp parses them.
TEST(X86Filter, OurLibraryUndoesTheTransform) {
    constexpr uint32_t kImageSize = 0x1000000;
    const auto addCall = [](std::string& code, uint32_t operand) {
        code += '\xE8';
        for (int k = 0; k < 4; ++k) {
            code += static_cast<char>(operand >> (8 * k));
        }
        code += '\x90';
    };
    std::string sweep;
    for (uint64_t v = 0; v <= 0xFFFFFFFFu; v += 0x00F0F0F1) {
        addCall(sweep, static_cast<uint32_t>(v));
        addCall(sweep, static_cast<uint32_t>(-v));
    }
    // 0xFFF000: near the image's end.
    for (const uint32_t filePos : {0u, 100u, 0x200u, 0xFFF000u, 0x1000000u, 0x7FF00000u}) {
        std::string edges; // a target at the file's start, at the image's end, and an operand of its size
        for (const uint32_t delta : {0xFFFFFFFFu, 0u, 1u}) {
            for (const int edge : {0, 1, 2}) {
                const uint32_t offset = filePos + static_cast<uint32_t>(edges.size()) + 1;
                addCall(edges, delta + (edge == 0 ? -offset : edge == 1 ? kImageSize - offset : kImageSize));
            }
        }
        for (const std::string& code :
             {CallHeavyCode(4, filePos, filePos), CallHeavyCode(5, filePos, filePos),
              CallHeavyCode(9, filePos, filePos), CallHeavyCode(0x3BFFF, filePos, filePos), sweep, edges}) {
            const std::vector<uint8_t> original(code.begin(), code.end());
            std::vector<uint8_t> block = original;
            x86::EncodeBlock(block, filePos);
            if (code.size() > 0x1000 && filePos < kImageSize) {
                EXPECT_NE(block, original) << filePos << " " << code.size();
            }
            rarlib::filters::decodeE8(block.data(), static_cast<uint32_t>(block.size()), filePos, true);
            EXPECT_TRUE(block == original) << filePos << " " << code.size();
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
    // From 2 GiB on the readers would not undo the transform exactly.
    const std::string huge = SyntheticPe(0x014C, {{0x7FFFF000, 0x2000}, {0x90000000, 0x1000}}, kSize, 1);
    const std::vector<x86::TRange> below =
        x86::FindCode(std::span(reinterpret_cast<const uint8_t*>(huge.data()), huge.size()), 0xA0000000);
    ASSERT_EQ(below.size(), 1u);
    EXPECT_EQ(below[0].begin, 0x7FFFF000u);
    EXPECT_EQ(below[0].end, 0x80000000u);
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
