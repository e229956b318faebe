// The decoder against real PPM streams made by the archiver, and what it does with broken ones.
#include "PpmStream.h"
#include "RarFixture.h"
#include "Sha256.h"

#include <gtest/gtest.h>

namespace rarlib::testing {
namespace {

using ppmd::PpmdModel;
using ppmd::PpmdStatus;

const char* const kBestArchive = "test_read_format_rar_compress_best.rar";

const RarEntry& bestEntry(int idx) {
    static const std::vector<RarEntry> entries =
        readRarEntries(readFile(testDataPath(std::string("rar/") + kBestArchive)));
    return entries.at(static_cast<size_t>(idx));
}

const test::ManifestRow& expected(int idx) {
    const test::ManifestRow* row = test::findManifestEntry(kBestArchive, idx);
    if (!row || !row->size)
        throw std::runtime_error("manifest has no row for the entry");
    return *row;
}

class BestArchiveEntry : public ::testing::TestWithParam<int> {};

TEST_P(BestArchiveEntry, DecodesToTheManifestContent) {
    const RarEntry& entry = bestEntry(GetParam());
    const test::ManifestRow& want = expected(GetParam());
    ASSERT_EQ(entry.unpackVersion, 29);
    ASSERT_NE(entry.packed.at(0) & 0x80, 0) << "entry does not start with a PPM block";

    PpmdModel model;
    const PpmDecodeResult r = decodePpmEntry(model, entry.packed, *want.size + 1);
    EXPECT_EQ(r.status, PpmdStatus::Ok);
    EXPECT_TRUE(r.ended);
    EXPECT_LE(r.consumed, entry.packed.size());
    EXPECT_EQ(model.maxOrder(), 8u);
    EXPECT_EQ(model.heapSize(), 25u << 20);
    ASSERT_EQ(r.output.size(), *want.size);
    EXPECT_EQ(sha256Hex(r.output), want.sha256);
}

INSTANTIATE_TEST_SUITE_P(PpmdEntries, BestArchiveEntry, ::testing::Values(0, 2, 3));

TEST(PpmdArchive, OneModelDecodesEntriesInTurnWhenEachRestartsIt) {
    PpmdModel model;
    for (int idx : {0, 2, 3, 0}) {
        model.reset(); // a non-solid entry
        const PpmDecodeResult r = decodePpmEntry(model, bestEntry(idx).packed, *expected(idx).size + 1);
        ASSERT_TRUE(r.ended) << "entry " << idx;
        EXPECT_EQ(sha256Hex(r.output), expected(idx).sha256) << "entry " << idx;
    }
}

// How many bytes a complete decode of entry 0 reads (the archiver leaves a few unused bytes after
// the end marker).
size_t bytesNeeded() {
    PpmdModel model;
    return decodePpmEntry(model, bestEntry(0).packed, *expected(0).size + 1).consumed;
}

TEST(PpmdArchive, EveryTruncationFailsWithoutReachingTheEnd) {
    const std::vector<uint8_t>& packed = bestEntry(0).packed;
    const size_t needed = bytesNeeded();
    ASSERT_GT(needed, 100u);
    PpmdModel model;
    for (size_t cut = 0; cut < needed; cut += (cut < 16 || needed - cut < 16) ? 1 : 97) {
        model.reset();
        const PpmDecodeResult r = decodePpmEntry(model, std::span(packed).first(cut), 1 << 20);
        EXPECT_FALSE(r.ended) << "cut at " << cut;
        EXPECT_EQ(r.status, PpmdStatus::BadData) << "cut at " << cut;
        EXPECT_LE(r.consumed, cut);
    }
}

TEST(PpmdArchive, CorruptedStreamsFailOrDifferButNeverMisbehave) {
    const std::vector<uint8_t>& packed = bestEntry(0).packed;
    const test::ManifestRow& want = expected(0);
    const size_t needed = bytesNeeded();
    PpmdModel model;
    uint32_t seed = 12345;
    int failures = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> bad = packed;
        seed = seed * 1103515245 + 12345;
        // Mostly damage the range-coded symbols: that is what exercises the model's reference
        // checks. Byte 1 (the model size) is left alone: 26 MB instead of 25 decodes the same.
        const size_t pos = (round % 10 == 0) ? ((seed >> 8) % 2) * 2 : 6 + (seed >> 8) % (needed - 6);
        bad[pos] ^= static_cast<uint8_t>(1u << (seed >> 28) % 8);
        model.reset();
        const PpmDecodeResult r = decodePpmEntry(model, bad, 4 * *want.size);
        if (r.ended && r.output.size() == *want.size) {
            EXPECT_NE(sha256Hex(r.output), want.sha256) << "flip at " << pos;
        }
        failures += r.status != PpmdStatus::Ok;
    }
    EXPECT_GT(failures, 0) << "no corruption was ever detected";
}

TEST(PpmdArchive, TruncatedHeaderOfARealArchiveIsBadData) {
    // Order 64, 1 MB, escape 0; the data ends inside the range coder's first bytes.
    const auto entries = readRarEntries(readFile(testDataPath("rar/test_read_format_rar_invalid1.rar")));
    ASSERT_EQ(entries.size(), 1u);
    ASSERT_TRUE(entries[0].truncated);
    PpmdModel model;
    ppmd::SpanByteReader in(entries[0].packed);
    EXPECT_EQ(model.decodeInit(in), PpmdStatus::BadData);
    EXPECT_FALSE(model.ready());
    EXPECT_EQ(model.decodeChar(in), -1);
}

} // namespace
} // namespace rarlib::testing
