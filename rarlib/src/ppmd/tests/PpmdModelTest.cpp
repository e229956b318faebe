// The decoder against streams made by the test encoder: what the archiver's files do not cover
// (model restarts when memory runs out, blocks that keep the model, a changed escape character,
// match codes, solid entries, every order class), plus the block header's error cases.
#include "PpmStream.h"
#include "PpmdTestEncoder.h"

#include "ppmd/PpmdModel.h"

#include <gtest/gtest.h>

#include <string>

namespace rarlib::testing {
namespace {

using ppmd::PpmdModel;
using ppmd::PpmdStatus;

// Text-like data with a large vocabulary, so that a small model fills up.
std::vector<uint8_t> pseudoText(size_t n, uint32_t seed) {
    static const char* const kSyllables[] = {"ka",  "ro", "mi", "te", "su", "lan", "dor", "vis", "en",  "qu",
                                             "str", "o",  "ph", "ix", "ul", "ber", "gn",  "ty",  "wha", "zo"};
    std::vector<uint8_t> out;
    while (out.size() < n) {
        seed = seed * 1103515245 + 12345;
        const unsigned syllables = 1 + (seed >> 16) % 4;
        for (unsigned i = 0; i < syllables; ++i) {
            seed = seed * 1103515245 + 12345;
            for (const char* p = kSyllables[(seed >> 16) % 20]; *p; ++p)
                out.push_back(static_cast<uint8_t>(*p));
        }
        seed = seed * 1103515245 + 12345;
        const unsigned r = (seed >> 16) % 64;
        out.push_back(r < 50 ? ' ' : r < 56 ? '\n' : r < 60 ? static_cast<uint8_t>('0' + r % 10) : 2);
    }
    out.resize(n);
    return out;
}

std::vector<uint8_t> encodeLiterals(const std::vector<uint8_t>& data, unsigned order, unsigned heapMB,
                                    unsigned* restarts = nullptr) {
    PpmdTestEncoder enc;
    enc.startBlock(true, order, heapMB);
    for (uint8_t b : data)
        enc.literal(b);
    enc.endFile();
    if (restarts)
        *restarts = enc.restarts();
    return enc.output();
}

TEST(PpmdModel, RestartsWhenTheModelMemoryRunsOut) {
    const std::vector<uint8_t> data = pseudoText(2 << 20, 1);
    unsigned restarts = 0;
    const std::vector<uint8_t> packed = encodeLiterals(data, 16, 1, &restarts);
    ASSERT_GE(restarts, 2u) << "the stream must exhaust a 1 MB model more than once";

    PpmdModel model;
    const PpmDecodeResult r = decodePpmEntry(model, packed, data.size() + 1);
    EXPECT_EQ(r.status, PpmdStatus::Ok);
    EXPECT_TRUE(r.ended);
    EXPECT_EQ(r.consumed, packed.size());
    EXPECT_TRUE(r.output == data) << "output differs";
}

TEST(PpmdModel, DecodesEveryOrderClass) {
    const std::vector<uint8_t> data = pseudoText(20000, 2);
    for (unsigned order : {2u, 3u, 8u, 16u, 19u, 40u, 64u}) {
        const std::vector<uint8_t> packed = encodeLiterals(data, order, 1);
        PpmdModel model;
        const PpmDecodeResult r = decodePpmEntry(model, packed, data.size() + 1);
        EXPECT_TRUE(r.ended && r.output == data) << "order " << order;
        EXPECT_EQ(model.maxOrder(), order);
    }
}

TEST(PpmdModel, BlocksThatKeepTheModelWithNewEscapeAndMatchCodes) {
    const std::vector<uint8_t> text = pseudoText(30000, 3);
    std::vector<uint8_t> want;
    PpmdTestEncoder enc;
    enc.startBlock(true, 6, 2);
    for (size_t i = 0; i < 15000; ++i) {
        enc.literal(text[i]); // includes escape characters (2) as data
        want.push_back(text[i]);
    }
    enc.endBlock();
    enc.startBlock(false, 0, 0, 'e');
    const auto copy = [&](uint32_t len, uint32_t dist) {
        enc.match(len, dist);
        for (uint32_t i = 0; i < len; ++i)
            want.push_back(want[want.size() - dist]);
    };
    copy(32, 2);
    copy(287, 14000);
    copy(259, 1);
    copy(4, 1);
    for (size_t i = 15000; i < text.size(); ++i) {
        enc.literal(text[i]);
        want.push_back(text[i]);
    }
    enc.endBlock();
    enc.startBlock(true, 4, 1, 0); // a restarting block, escape 0
    for (uint8_t b : {0, 1, 2, 0})
        enc.literal(b), want.push_back(b);
    enc.endFile();

    PpmdModel model;
    const PpmDecodeResult r = decodePpmEntry(model, enc.output(), want.size() + 1);
    EXPECT_EQ(r.status, PpmdStatus::Ok);
    EXPECT_TRUE(r.ended);
    EXPECT_TRUE(r.output == want);
    EXPECT_EQ(model.escChar(), 0);
    EXPECT_EQ(model.maxOrder(), 4u);
}

TEST(PpmdModel, SolidEntryContinuesTheModelOnlyWithoutReset) {
    const std::vector<uint8_t> first = pseudoText(10000, 4);
    const std::vector<uint8_t> second = pseudoText(10000, 5);
    PpmdTestEncoder enc;
    enc.startBlock(true, 8, 1, 'a');
    for (uint8_t b : first)
        enc.literal(b);
    enc.endFile();
    const std::vector<uint8_t> packed1 = enc.output();
    enc.output().clear();
    enc.startBlock(false, 0, 0); // the next entry's data: keeps the model and the escape 'a'
    for (uint8_t b : second)
        enc.literal(b);
    enc.endFile();
    const std::vector<uint8_t> packed2 = enc.output();

    PpmdModel model;
    ASSERT_TRUE(decodePpmEntry(model, packed1, first.size() + 1).output == first);
    const PpmDecodeResult r = decodePpmEntry(model, packed2, second.size() + 1);
    EXPECT_TRUE(r.ended && r.output == second);

    model.reset(); // as for a non-solid entry: nothing to continue
    const PpmDecodeResult dropped = decodePpmEntry(model, packed2, second.size() + 1);
    EXPECT_EQ(dropped.status, PpmdStatus::BadData);
    EXPECT_EQ(model.escChar(), 2);

    // After an error in a solid stream the model is gone too.
    ASSERT_TRUE(decodePpmEntry(model, packed1, first.size() + 1).ended);
    std::vector<uint8_t> broken = packed1;
    broken.resize(broken.size() / 2);
    EXPECT_FALSE(decodePpmEntry(model, broken, first.size() + 1).ended);
    EXPECT_EQ(decodePpmEntry(model, packed2, second.size() + 1).status, PpmdStatus::BadData);
}

TEST(PpmdModel, BlockHeaderErrors) {
    const struct {
        std::vector<uint8_t> header;
        PpmdStatus status;
        const char* what;
    } cases[] = {
        {{0x27, 0x18, 1, 2, 3, 4}, PpmdStatus::BadData, "not a PPM block"},
        {{0xA0, 0x00, 1, 2, 3, 4}, PpmdStatus::BadData, "order code 0 (order 1)"},
        {{0x87, 1, 2, 3, 4}, PpmdStatus::BadData, "keeps a model there is none of"},
        {{0xA7}, PpmdStatus::BadData, "ends before the model size"},
        {{0xE7, 0x18}, PpmdStatus::BadData, "ends before the escape character"},
        {{0xA7, 0x18, 1, 2, 3}, PpmdStatus::BadData, "ends in the range coder"},
        {{}, PpmdStatus::BadData, "no data"},
        {{0xBF, 0x00, 1, 2, 3, 4}, PpmdStatus::Ok, "order 64, 1 MB"},
        {{0xA1, 0x00, 1, 2, 3, 4}, PpmdStatus::Ok, "order 2"},
    };
    for (const auto& c : cases) {
        PpmdModel model;
        ppmd::SpanByteReader in(c.header);
        EXPECT_EQ(model.decodeInit(in), c.status) << c.what;
        EXPECT_EQ(model.ready(), c.status == PpmdStatus::Ok) << c.what;
        EXPECT_EQ(model.status(), c.status) << c.what;
    }
}

TEST(PpmdModel, RefusesModelsAboveTheMemoryLimitWithoutAllocating) {
    const std::vector<uint8_t> asks25 = {0xA7, 24, 0, 0, 0, 0};
    PpmdModel small(4);
    ppmd::SpanByteReader in(asks25);
    EXPECT_EQ(small.decodeInit(in), PpmdStatus::NoMemory);
    EXPECT_EQ(small.heapSize(), 0u);
    EXPECT_EQ(small.decodeChar(in), -1);
    EXPECT_EQ(small.status(), PpmdStatus::NoMemory);

    const std::vector<uint8_t> asks4 = {0xA7, 3, 0, 0, 0, 0};
    ppmd::SpanByteReader in4(asks4);
    EXPECT_EQ(small.decodeInit(in4), PpmdStatus::Ok);
    EXPECT_EQ(small.heapSize(), 4u << 20);

    // The format's largest model, 256 MB, is within the default limit.
    const std::vector<uint8_t> asks256 = {0xA7, 255, 0, 0, 0, 0};
    PpmdModel full;
    ppmd::SpanByteReader in256(asks256);
    EXPECT_EQ(full.decodeInit(in256), PpmdStatus::Ok);
    EXPECT_EQ(full.heapSize(), 256u << 20);
    full.releaseMemory();
    EXPECT_EQ(full.heapSize(), 0u);
}

TEST(PpmdModel, CorruptedSmallModelStreamsFailCleanly) {
    // A 1 MB order-16 model that restarts: damage lands in every kind of model state.
    const std::vector<uint8_t> data = pseudoText(250000, 6);
    const std::vector<uint8_t> packed = encodeLiterals(data, 16, 1);
    uint32_t seed = 99;
    int detected = 0;
    PpmdModel model;
    for (int round = 0; round < 40; ++round) {
        std::vector<uint8_t> bad = packed;
        seed = seed * 1103515245 + 12345;
        bad[6 + (seed >> 8) % (bad.size() - 6)] ^= static_cast<uint8_t>(1 + (seed >> 24) % 255);
        model.reset();
        const PpmDecodeResult r = decodePpmEntry(model, bad, 2 * data.size());
        if (r.ended && r.output.size() == data.size()) {
            EXPECT_FALSE(r.output == data);
        }
        detected += r.status != PpmdStatus::Ok;
    }
    EXPECT_GT(detected, 0);
}

} // namespace
} // namespace rarlib::testing
