// Each standard filter undoes its forward transform, written here from what the transform means
// (x86 call targets, IA-64 branch slots, byte deltas, image prediction), plus hand-worked vectors.
#include "filters/StandardFilters.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace rarlib::filters {
namespace {

std::vector<uint8_t> pseudoRandom(size_t n, uint32_t seed) {
    std::vector<uint8_t> v(n);
    for (auto& b : v) {
        seed = seed * 1103515245 + 12345;
        b = static_cast<uint8_t>(seed >> 16);
    }
    return v;
}

uint32_t le32(const uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24;
}
void putLe32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// The archiver's side: a CALL (and JMP) whose target lands inside a 16 MB image gets the absolute
// target stored; one whose relative value is just below 16 MB is stored minus 16 MB.
void encodeE8(std::vector<uint8_t>& d, uint32_t filePos, bool alsoE9) {
    constexpr int64_t kImage = 0x1000000;
    for (size_t i = 0; i + 4 < d.size();) {
        const uint8_t op = d[i++];
        if (op != 0xE8 && !(alsoE9 && op == 0xE9))
            continue;
        const int64_t rel = static_cast<int32_t>(le32(&d[i]));
        const int64_t target = rel + filePos + i;
        if (target >= 0 && target < kImage)
            putLe32(&d[i], static_cast<uint32_t>(target));
        else if (target >= kImage && rel < kImage)
            putLe32(&d[i], static_cast<uint32_t>(rel - kImage));
        i += 4;
    }
}

TEST(E8Filter, RestoresRelativeCallTargets) {
    // CALL +0x10 at file offset 0x100: the operand (at 0x101) was stored as the target 0x111.
    std::vector<uint8_t> d = {0xE8, 0x11, 0x01, 0x00, 0x00, 0x90, 0x90, 0x90, 0x90};
    decodeE8(d.data(), static_cast<uint32_t>(d.size()), 0x100, false);
    EXPECT_EQ(d, (std::vector<uint8_t>{0xE8, 0x10, 0x00, 0x00, 0x00, 0x90, 0x90, 0x90, 0x90}));

    const struct {
        int32_t rel;
        const char* what;
    } operands[] = {{0x10, "forward"},
                    {-0x80, "backward inside the image"},
                    {-0x100000, "before the image"},
                    {0x0FFFF000, "far beyond the image"},
                    {0x00FFFF00, "just below 16 MB"},
                    {0x7FFFFFFF, "largest"}};
    for (bool e9 : {false, true}) {
        for (const auto& op : operands) {
            for (uint32_t filePos : {0u, 0x1000u, 0xFFFF00u}) {
                std::vector<uint8_t> orig = pseudoRandom(64, 7);
                for (auto& b : orig)
                    b = (b == 0xE8 || b == 0xE9) ? 0 : b; // only the instructions placed below
                orig[10] = 0xE8;
                putLe32(&orig[11], static_cast<uint32_t>(op.rel));
                orig[30] = 0xE9;
                putLe32(&orig[31], static_cast<uint32_t>(op.rel));
                std::vector<uint8_t> d = orig;
                encodeE8(d, filePos, e9);
                decodeE8(d.data(), static_cast<uint32_t>(d.size()), filePos, e9);
                EXPECT_EQ(d, orig) << op.what << " e9=" << e9 << " pos=" << filePos;
            }
        }
    }
}

TEST(E8Filter, RoundTripsArbitraryCodeAndLeavesTheLastFourBytes) {
    for (bool e9 : {false, true}) {
        // Random bytes, but the operands after each opcode are near calls as in real code.
        std::vector<uint8_t> orig = pseudoRandom(8192, 99);
        uint32_t seed = 1;
        for (size_t i = 0; i + 4 < orig.size(); ++i) {
            if (orig[i] == 0xE8 || orig[i] == 0xE9) {
                seed = seed * 1103515245 + 12345;
                putLe32(&orig[i + 1], static_cast<uint32_t>(static_cast<int32_t>(seed >> 12) - 0x40000));
                i += 4;
            }
        }
        std::vector<uint8_t> d = orig;
        encodeE8(d, 0x4000, e9);
        ASSERT_NE(d, orig);
        decodeE8(d.data(), static_cast<uint32_t>(d.size()), 0x4000, e9);
        EXPECT_EQ(d, orig);
    }
    // An opcode in the last four bytes has no complete operand: nothing changes.
    std::vector<uint8_t> tail = {0x00, 0xE8, 0x11, 0x01, 0x00};
    const auto before = tail;
    decodeE8(tail.data(), 5, 0, true);
    EXPECT_EQ(tail, before);
    decodeE8(tail.data() + 1, 4, 0, true);
    EXPECT_EQ(tail, before);
    // The plain E8 filter leaves JMP operands alone.
    std::vector<uint8_t> jmp = {0xE9, 0x11, 0x01, 0x00, 0x00, 0x90};
    decodeE8(jmp.data(), 6, 0x100, false);
    EXPECT_EQ(jmp[1], 0x11);
    decodeE8(jmp.data(), 6, 0x100, true);
    EXPECT_EQ(jmp[1], 0x10);
}

// Bit i of a 16-byte bundle is bit i % 8 of byte i / 8.
uint32_t bundleBits(const uint8_t* b, unsigned pos, unsigned n) {
    uint32_t v = 0;
    for (unsigned i = 0; i < n; ++i)
        v |= uint32_t{(b[(pos + i) / 8] >> ((pos + i) % 8)) & 1u} << i;
    return v;
}
void setBundleBits(uint8_t* b, unsigned pos, unsigned n, uint32_t v) {
    for (unsigned i = 0; i < n; ++i) {
        const uint8_t m = static_cast<uint8_t>(1u << ((pos + i) % 8));
        b[(pos + i) / 8] =
            static_cast<uint8_t>(((v >> i) & 1) ? b[(pos + i) / 8] | m : b[(pos + i) / 8] & ~m);
    }
}

TEST(ItaniumFilter, RestoresBranchTargetsInTheBranchSlotsOfEachTemplate) {
    static const uint8_t kSlots[16] = {4, 4, 6, 6, 0, 0, 7, 7, 4, 4, 0, 0, 4, 4, 0, 0};
    const uint32_t filePos = 0x230; // bundle number 0x23 at the start
    const uint32_t len = 16 * 20;
    std::vector<uint8_t> orig = pseudoRandom(len, 5);
    for (unsigned k = 0; k < 20; ++k) {
        uint8_t* b = &orig[16 * k];
        b[0] = static_cast<uint8_t>((b[0] & 0xE0) | (0x10 + k % 16)); // every template 0x10..0x1F
        for (unsigned slot = 0; slot < 3; ++slot)
            setBundleBits(b, slot * 41 + 5 + 37, 4, (k + slot) % 3 == 0 ? 4 : 5); // mostly branches
    }
    std::vector<uint8_t> d = orig;
    unsigned changedSlots = 0;
    for (unsigned k = 0; 16 * k + 21 < len; ++k) { // the format stops 21 bytes before the end
        uint8_t* b = &d[16 * k];
        const unsigned slots = kSlots[(b[0] & 0x1F) - 0x10];
        for (unsigned slot = 0; slot < 3; ++slot) {
            const unsigned start = slot * 41 + 5;
            if ((slots >> slot & 1) && bundleBits(b, start + 37, 4) == 5) {
                setBundleBits(b, start + 13, 20, (bundleBits(b, start + 13, 20) + 0x23 + k) & 0xFFFFF);
                ++changedSlots;
            }
        }
    }
    ASSERT_GT(changedSlots, 10u);
    decodeItanium(d.data(), len, filePos);
    EXPECT_EQ(d, orig);

    // Template 0x10 branches in slot 2 only; its target field is bits 100..119.
    std::vector<uint8_t> one(32, 0);
    one[0] = 0x10;
    setBundleBits(one.data(), 87 + 37, 4, 5);
    setBundleBits(one.data(), 87 + 13, 20, 0x12345);
    decodeItanium(one.data(), 32, 0x20);
    EXPECT_EQ(bundleBits(one.data(), 100, 20), 0x12343u);
    EXPECT_EQ(one[15] >> 4, 5); // the opcode stays
}

TEST(DeltaFilter, RebuildsChannelsFromTheirByteDifferences) {
    for (uint32_t channels : {1u, 3u, 4u, 7u, 300u}) {
        const std::vector<uint8_t> orig = pseudoRandom(1000, channels);
        std::vector<uint8_t> enc;
        for (uint32_t ch = 0; ch < channels; ++ch) {
            uint8_t prev = 0;
            for (size_t i = ch; i < orig.size(); i += channels) {
                enc.push_back(static_cast<uint8_t>(prev - orig[i]));
                prev = orig[i];
            }
        }
        std::vector<uint8_t> out(orig.size());
        decodeDelta(enc.data(), out.data(), static_cast<uint32_t>(orig.size()), channels);
        EXPECT_EQ(out, orig) << channels << " channels";
    }
}

int paeth(int left, int up, int upLeft) {
    const int p = left + up - upLeft;
    const int dl = std::abs(p - left), du = std::abs(p - up), dul = std::abs(p - upLeft);
    if (dl <= du && dl <= dul)
        return left;
    return du <= dul ? up : upLeft;
}

TEST(RgbFilter, UndoesPaethPredictionAndGreenDifferences) {
    for (uint32_t redPos : {0u, 1u, 2u}) {
        const uint32_t width = 13, height = 9, stride = 3 * width;
        const uint32_t len = stride * height;
        std::vector<uint8_t> image(len);
        for (uint32_t i = 0; i < len; ++i) // a smooth picture with some noise
            image[i] = static_cast<uint8_t>(i / 3 % width * 7 + i / stride * 5 + (i % 3) * 40 +
                                            (i * 2654435761u >> 29));

        std::vector<uint8_t> planes = image;
        for (uint32_t i = redPos; i + 2 < len; i += 3) {
            planes[i] = static_cast<uint8_t>(planes[i] - planes[i + 1]);
            planes[i + 2] = static_cast<uint8_t>(planes[i + 2] - planes[i + 1]);
        }
        std::vector<uint8_t> enc;
        for (uint32_t ch = 0; ch < 3; ++ch) {
            int prev = 0;
            for (uint32_t i = ch; i < len; i += 3) {
                const int pred = i >= stride ? paeth(prev, planes[i - stride + 3], planes[i - stride]) : prev;
                enc.push_back(static_cast<uint8_t>(pred - planes[i]));
                prev = planes[i];
            }
        }
        std::vector<uint8_t> out(len);
        decodeRgb(enc.data(), out.data(), len, stride, redPos);
        EXPECT_EQ(out, image) << "red at " << redPos;
    }
}

TEST(AudioFilter, FirstSamplesPredictFromThePreviousSample) {
    // Until the first weight update (after 33 samples) the prediction is the previous sample, so
    // a constant residual of -10 is a ramp of +10, per channel.
    const uint32_t channels = 2, perChannel = 33;
    std::vector<uint8_t> enc(channels * perChannel, 246);
    std::vector<uint8_t> out(enc.size());
    decodeAudio(enc.data(), out.data(), static_cast<uint32_t>(out.size()), channels);
    for (uint32_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], static_cast<uint8_t>(10 * (i / channels + 1))) << i;
}

TEST(RunFilter, PutsEachFilterOutputWhereTheFormatExpectsIt) {
    std::vector<uint8_t> mem(kFilterMemorySize + kFilterMemorySlack);
    const struct {
        FilterType type;
        uint32_t r0;
        uint32_t outOffset;
    } cases[] = {{FilterType::E8, 0, 0},      {FilterType::E8E9, 0, 0},   {FilterType::Itanium, 0, 0},
                 {FilterType::Delta, 2, 100}, {FilterType::Rgb, 30, 100}, {FilterType::Audio, 1, 100}};
    for (const auto& c : cases) {
        FilterInvocation f;
        f.type = c.type;
        f.blockLength = 100;
        f.regs[0] = c.r0;
        FilterResult res;
        ASSERT_EQ(runFilter(f, 0, mem.data(), res), FilterStatus::Ok);
        EXPECT_EQ(res.offset, c.outOffset);
        EXPECT_EQ(res.length, 100u);
    }
    FilterInvocation big;
    big.type = FilterType::Delta;
    big.blockLength = 0x1E000;
    big.regs[0] = 1;
    FilterResult res;
    EXPECT_EQ(runFilter(big, 0, mem.data(), res), FilterStatus::BadData);
    big.blockLength = 0x1DFFF; // the largest block: its output ends just below the global area
    EXPECT_EQ(runFilter(big, 0, mem.data(), res), FilterStatus::Ok);
    EXPECT_EQ(res.offset + res.length, 2u * 0x1DFFF);
}

} // namespace
} // namespace rarlib::filters
