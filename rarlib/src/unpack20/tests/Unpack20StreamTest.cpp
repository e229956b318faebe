// Streams from the test-side writer: every coding of the method, table changes, multimedia blocks,
// solid entries, and damaged data.
#include <gtest/gtest.h>

#include "Unpack20TestKit.h"
#include "unpack20/Unpack20.h"

namespace rarlib::testing {
namespace {

Lz20Writer startLz(bool flat = false) {
    Lz20Writer w;
    w.beginLzBlock(false, flat);
    return w;
}

TEST(Unpack20Stream, DecodesEveryCoding) {
    for (const StreamCase& c : streamCases()) {
        SCOPED_TRACE(c.name);
        Lz20Writer w = startLz();
        c.write(w);
        const std::vector<uint8_t> packed = w.endEntry();
        Unpack20 u;
        std::vector<uint8_t> out;
        ASSERT_EQ(decodeTo(u, packed, w.output().size(), false, out), Status::Ok);
        EXPECT_TRUE(out == w.output());
    }
}

// Entries of one solid stream: the window, distances, tables and predictor carry over; a table
// announced at an entry's end serves the next entry.
TEST(Unpack20Stream, SolidEntriesContinueTheStream) {
    Lz20Writer w = startLz(true);
    std::vector<std::vector<uint8_t>> packed;
    std::vector<size_t> ends;
    auto end = [&](unsigned announce) {
        packed.push_back(w.endEntry(announce));
        ends.push_back(w.output().size());
    };
    w.literals(noise(1000, 10));
    end(0);
    w.match(250, 1000); // reaches into the first entry, same tables
    w.repeatOld(0, 10);
    end(2); // a one-channel multimedia block follows
    w.audio(wave(500, 1));
    end(1); // back to LZ
    w.repeatLast();
    w.literals(noise(20, 11));
    end(0);
    w.beginAudioBlock(4, false, true);
    w.audio(wave(400, 4));
    end(0);
    w.audio(wave(100, 4)); // continues the multimedia block and its channel order
    end(0);

    Unpack20 u;
    size_t start = 0;
    for (size_t i = 0; i < packed.size(); ++i) {
        SCOPED_TRACE(i);
        std::vector<uint8_t> out;
        ASSERT_EQ(decodeTo(u, packed[i], ends[i] - start, i > 0, out), Status::Ok);
        EXPECT_TRUE(
            std::equal(out.begin(), out.end(), w.output().begin() + start, w.output().begin() + ends[i]));
        start = ends[i];
    }
    // The same entries without the stream before them: the first match reaches before the start.
    Unpack20 fresh;
    std::vector<uint8_t> out;
    EXPECT_EQ(decodeTo(fresh, packed[1], ends[1] - ends[0], false, out), Status::BadData);
}

TEST(Unpack20Stream, EmptyEntries) {
    Unpack20 u;
    std::vector<uint8_t> out;
    // Nothing packed at all, alone or inside a solid stream.
    EXPECT_EQ(decodeTo(u, {}, 0, false, out), Status::Ok);
    Lz20Writer w = startLz(true);
    w.literals(noise(10, 12));
    ASSERT_EQ(decodeTo(u, w.endEntry(), 10, false, out), Status::Ok);
    EXPECT_EQ(decodeTo(u, {}, 0, true, out), Status::Ok);
    EXPECT_TRUE(out.empty());
    w.literal(1);
    ASSERT_EQ(decodeTo(u, w.endEntry(), 1, true, out), Status::Ok);
    EXPECT_EQ(out, std::vector<uint8_t>{1});
}

} // namespace
} // namespace rarlib::testing
