// PPM blocks and filters inside the 2.9 decoder: switching between LZ and PPMd within an entry and
// across the entries of a solid stream, filters in both kinds of block and across output steps, and
// the PPMd memory limit.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "FilterTestKit.h"
#include "PpmdTestEncoder.h"
#include "support/Decode.h"
#include "support/LzStreamBuilder.h"

namespace rarlib::test {
namespace {

using filters::FilterType;
using filters::testing::buildRecord;
using filters::testing::forgeStandardCode;
using filters::testing::Record;
using filters::testing::RecordFields;

constexpr uint8_t kDecoderEsc = 2;    // the escape character a stream starts with
constexpr uint8_t kEncoderEsc = 0xEE; // see PpmWriter::startHidingEscape

// PPM blocks from the test encoder; its model goes on from block to block as the archiver's does.
class PpmWriter {
public:
    PpmWriter& start(bool restart, unsigned heapMB = 1) {
        enc_.startBlock(restart, 6, heapMB);
        return *this;
    }
    // The encoder is told another escape character than the header gives the decoder, so that the
    // encoder's literals can spell out escape codes it has no call for (a filter record).
    PpmWriter& startHidingEscape() {
        const size_t header = enc_.output().size();
        enc_.startBlock(true, 6, 1, kEncoderEsc);
        enc_.output()[header + 2] = kDecoderEsc;
        return *this;
    }
    PpmWriter& text(std::string_view s) {
        for (char c : s) {
            enc_.literal(static_cast<uint8_t>(c));
        }
        return *this;
    }
    PpmWriter& match(uint32_t length, uint32_t distance) {
        enc_.match(length, distance);
        return *this;
    }
    // After startHidingEscape: escape code 3 and the record's bytes as symbols.
    PpmWriter& filter(const Record& r) {
        std::vector<uint8_t> bytes = {kDecoderEsc, 3, r.first};
        if ((r.first & 7) == 6) {
            bytes.push_back(static_cast<uint8_t>(r.body.size() - 7));
        } else if ((r.first & 7) == 7) {
            bytes.push_back(static_cast<uint8_t>(r.body.size() >> 8));
            bytes.push_back(static_cast<uint8_t>(r.body.size()));
        }
        bytes.insert(bytes.end(), r.body.begin(), r.body.end());
        for (uint8_t b : bytes) {
            EXPECT_NE(b, kEncoderEsc) << "the encoder would escape this byte";
            enc_.literal(b);
        }
        return *this;
    }
    // After startHidingEscape: the decoder's end-of-file escape (the encoder's own end follows, unread).
    std::vector<uint8_t> endFileHidden() {
        enc_.literal(kDecoderEsc);
        enc_.literal(2);
        return endFile();
    }
    std::vector<uint8_t> endBlock() {
        enc_.endBlock();
        return take();
    }
    std::vector<uint8_t> endFile() {
        enc_.endFile();
        return take();
    }

private:
    std::vector<uint8_t> take() {
        const auto& out = enc_.output();
        std::vector<uint8_t> bytes(out.begin() + static_cast<ptrdiff_t>(taken_), out.end());
        taken_ = out.size();
        return bytes;
    }

    testing::PpmdTestEncoder enc_;
    size_t taken_ = 0;
};

// DELTA with one channel: each output byte is the previous one minus the input byte.
Record deltaRecord(uint32_t start, uint32_t length) {
    RecordFields f;
    f.number = 0; // a fresh filter table, filter 0
    f.start = start;
    f.length = length;
    f.regs[0] = 1;
    f.code = forgeStandardCode(FilterType::Delta);
    return buildRecord(f);
}

std::string repeat(char c, size_t n) {
    return std::string(n, c);
}

TEST(Unpack29Blocks, SwitchesFromLzToPpmAndBackWithMatchesAcrossBoth) {
    const std::string lz = "0123456789abcdefghijklmnopqrstuvwxyzABCD";
    PpmWriter ppm;
    const auto packed = LzStreamBuilder()
                            .table()
                            .literals(lz.c_str())
                            .blockEnd()
                            .bytes(ppm.start(true).text("ppm text ").match(32, 49).endBlock())
                            .table(true)
                            .match(9, 41) // the PPM block's text, from LZ
                            .literals("end")
                            .endOfFile()
                            .finish();
    const std::string want = lz + "ppm text " + lz.substr(0, 32) + "ppm text end";
    const DecodeResult r = decodeEntry(packed, want.size());
    EXPECT_EQ(r.status, Status::Ok);
    EXPECT_EQ(r.out, want);
}

TEST(Unpack29Blocks, KeepsThePpmModelAcrossAnLzBlock) {
    PpmWriter ppm;
    const auto packed = LzStreamBuilder()
                            .bytes(ppm.start(true).text("first ppm, ").endBlock())
                            .table()
                            .literals("lz, ")
                            .blockEnd()
                            .bytes(ppm.start(false).text("ppm again").endFile())
                            .finish();
    const std::string want = "first ppm, lz, ppm again";
    const DecodeResult r = decodeEntry(packed, want.size());
    EXPECT_EQ(r.status, Status::Ok);
    EXPECT_EQ(r.out, want);
}

TEST(Unpack29Blocks, ContinuesPpmAndLzAcrossSolidEntries) {
    const std::string first = "the first entry, decoded by ppmd.";
    PpmWriter ppm;
    Unpack29 u;
    DecodeResult r = decodeEntry(u, ppm.start(true).text(first).endFile(), first.size());
    ASSERT_EQ(r.status, Status::Ok);
    ASSERT_EQ(r.out, first);
    // The model goes on without a restart, and a match reaches back into the first entry.
    r = decodeEntry(u, ppm.start(false).match(32, 33).text("!").endFile(), 33, true);
    ASSERT_EQ(r.status, Status::Ok);
    EXPECT_EQ(r.out, first.substr(0, 32) + "!");
    r = decodeEntry(u, LzStreamBuilder().table().match(5, 33).endOfFile().finish(), 5, true);
    ASSERT_EQ(r.status, Status::Ok);
    EXPECT_EQ(r.out, "the f");
    // A non-solid entry has no model to continue.
    EXPECT_EQ(decodeEntry(u, ppm.start(false).text("x").endFile(), 1, false).status, Status::BadData);
}

TEST(Unpack29Blocks, AppliesAFilterFromAnLzBlockToItsBlockOnly) {
    const Record rec = deltaRecord(2, 5); // at 4 + 2, five bytes
    const auto packed = LzStreamBuilder()
                            .table()
                            .literals("head")
                            .filterRecord(rec.first, rec.body)
                            .literals("ab\xFF\xFF\xFF\xFF\xFFtail")
                            .endOfFile()
                            .finish();
    const DecodeResult r = decodeEntry(packed, 15);
    EXPECT_EQ(r.status, Status::Ok);
    EXPECT_EQ(r.out, "headab\x01\x02\x03\x04\x05tail");
}

TEST(Unpack29Blocks, AppliesAFilterWhoseBlockSpansOutputSteps) {
    // A run of 'a' long enough for several output steps (64 KB while the window is new), with a DELTA
    // block across the first step's end.
    constexpr uint32_t kBlockStart = 60000;
    constexpr uint32_t kBlockLength = 20000;
    const Record rec = deltaRecord(kBlockStart - 1, kBlockLength);
    LzStreamBuilder b;
    b.table().literal('a').filterRecord(rec.first, rec.body);
    constexpr int kMatches = 400;
    for (int i = 0; i < kMatches; ++i) {
        b.match(257, 1);
    }
    const auto packed = b.endOfFile().finish();
    std::string want = repeat('a', 1 + kMatches * 257);
    uint8_t prev = 0;
    for (uint32_t i = 0; i < kBlockLength; ++i) {
        prev = static_cast<uint8_t>(prev - 'a');
        want[kBlockStart + i] = static_cast<char>(prev);
    }
    const DecodeResult r = decodeEntry(packed, want.size());
    EXPECT_EQ(r.status, Status::Ok);
    EXPECT_TRUE(r.out == want) << "output differs";
}

TEST(Unpack29Blocks, AppliesAFilterFromAPpmBlock) {
    PpmWriter ppm;
    const auto packed = ppm.startHidingEscape()
                            .text("abc")
                            .filter(deltaRecord(1, 4)) // at 3 + 1, four bytes
                            .text("d\xFF\xFF\xFF\xFF"
                                  "ef")
                            .endFileHidden();
    const DecodeResult r = decodeEntry(packed, 10);
    EXPECT_EQ(r.status, Status::Ok);
    EXPECT_EQ(r.out, "abcd\x01\x02\x03\x04"
                     "ef");
}

TEST(Unpack29Blocks, RefusesAModelAboveTheMemoryLimit) {
    const struct {
        uint32_t limitMB;
        unsigned modelMB;
        Status expected;
    } cases[] = {
        {1, 1, Status::Ok},
        {1, 2, Status::NoMemory},
        {16, 16, Status::Ok},
        {16, 256, Status::NoMemory},
    };
    for (const auto& c : cases) {
        PpmWriter ppm;
        Unpack29 u(c.limitMB);
        const DecodeResult r = decodeEntry(u, ppm.start(true, c.modelMB).text("abc").endFile(), 3);
        EXPECT_EQ(r.status, c.expected) << c.modelMB << " MB model, limit " << c.limitMB;
        EXPECT_EQ(r.out, c.expected == Status::Ok ? "abc" : "");
    }
}

TEST(Unpack29Blocks, RefusesCorruptPpmAndFilterData) {
    PpmWriter a, c;
    RecordFields unknown;
    unknown.number = 0;
    unknown.length = 2;
    unknown.code = {0x00, 0x01, 0x02}; // fails the code's check byte: no standard filter
    const Record unknownRec = buildRecord(unknown);
    const Record pastEnd = deltaRecord(1, 4);
    const auto fine = PpmWriter().start(true).text("abcdef").endFile();
    const struct {
        const char* what;
        std::vector<uint8_t> packed;
        uint64_t size;
        Status expected;
    } cases[] = {
        {"PPM match before the stream start", a.start(true).text("ab").match(32, 3).endFile(), 34,
         Status::BadData},
        // A header without the restart flag, then the coder's first bytes.
        {"PPM block continuing a model there is none of", {0x80, 0, 0, 0, 0, 0, 0, 0, 0}, 2, Status::BadData},
        {"PPM block cut short", std::vector<uint8_t>(fine.begin(), fine.end() - 6), 6, Status::BadData},
        {"PPM output beyond the size", c.start(true).text("abcdef").endFile(), 5, Status::BadData},
        {"unknown filter code",
         LzStreamBuilder()
             .table()
             .literals("ab")
             .filterRecord(unknownRec.first, unknownRec.body)
             .endOfFile()
             .finish(),
         2, Status::UnknownFormat},
        {"filter block past the entry's end",
         LzStreamBuilder()
             .table()
             .literals("ab")
             .filterRecord(pastEnd.first, pastEnd.body)
             .literals("cd")
             .endOfFile()
             .finish(),
         4, Status::BadData},
    };
    for (const auto& k : cases) {
        const DecodeResult r = decodeEntry(k.packed, k.size);
        EXPECT_EQ(r.status, k.expected) << k.what;
        EXPECT_LE(r.out.size(), k.size) << k.what;
    }
}

} // namespace
} // namespace rarlib::test
