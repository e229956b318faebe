// An independent reader of the 2.0 method (libunarr) decodes the writer's streams, so that the writer,
// and with it the decoder's tests, do not rest on this project's reading of the format alone.
#include <gtest/gtest.h>

#include <unarr.h>

#include "Unpack20TestKit.h"
#include "support/ArchiveBuilder.h"

namespace rarlib::testing {
namespace {

// The content of every entry as unarr extracts it; an entry it fails on comes back empty and the
// failure is counted.
std::vector<std::vector<uint8_t>> unarrExtract(const std::vector<uint8_t>& archive, int& failures) {
    std::vector<std::vector<uint8_t>> out;
    failures = 0;
    ar_stream* s = ar_open_memory(archive.data(), archive.size());
    ar_archive* a = s ? ar_open_rar_archive(s) : nullptr;
    while (a && ar_parse_entry(a)) {
        std::vector<uint8_t> content(ar_entry_get_size(a));
        if (!ar_entry_uncompress(a, content.data(), content.size())) {
            content.clear();
            ++failures;
        }
        out.push_back(std::move(content));
    }
    if (a) {
        ar_close_archive(a);
    }
    if (s) {
        ar_close(s);
    }
    return out;
}

// `packed` as the 2.0-packed data of `content`, with a 1 MB dictionary; `solid` continues the previous
// entry's stream.
test::BuildEntry packedEntry(std::string name, const std::vector<uint8_t>& content,
                             std::vector<uint8_t> packed, bool solid) {
    test::BuildEntry e = test::packedFile(std::move(name), content, std::move(packed), 20, 0x33);
    e.flags = static_cast<uint16_t>(0x0080 | (solid ? 0x0010 : 0));
    return e;
}

TEST(Unpack20Unarr, ReadsEveryCoding) {
    for (const StreamCase& c : streamCases()) {
        SCOPED_TRACE(c.name);
        Lz20Writer w;
        w.beginLzBlock();
        c.write(w);
        const std::vector<uint8_t> packed = w.endEntry();
        const auto archive = test::ArchiveBuilder()
                                 .add(packedEntry("case.bin", w.output(), packed, false))
                                 .withoutEndBlock()
                                 .build();
        int failures = 0;
        const auto got = unarrExtract(archive, failures);
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(failures, 0);
        EXPECT_TRUE(got[0] == w.output());
    }
}

// unarr does not look for tables after an entry's last byte, so here every block begins inside an entry.
TEST(Unpack20Unarr, ReadsSolidEntries) {
    Lz20Writer w;
    w.beginLzBlock(false, true);
    test::ArchiveBuilder archive;
    archive.mainFlags(0x0008).withoutEndBlock(); // solid
    std::vector<std::vector<uint8_t>> contents;
    size_t start = 0;
    auto end = [&](unsigned announce) {
        std::vector<uint8_t> packed = w.endEntry(announce);
        contents.emplace_back(w.output().begin() + start, w.output().end());
        archive.add(packedEntry("f" + std::to_string(contents.size() - 1), contents.back(), std::move(packed),
                                contents.size() > 1));
        start = w.output().size();
    };
    w.literals(noise(1000, 20));
    end(0);
    w.match(250, 1000);
    w.beginAudioBlock(2, false, true);
    w.audio(wave(600, 2));
    end(0);
    w.audio(wave(61, 2)); // the predictor and channel order go on
    end(0);
    w.beginLzBlock(true);
    w.repeatLast();
    w.literals(noise(50, 21));
    end(0);
    int failures = 0;
    const auto got = unarrExtract(archive.build(), failures);
    ASSERT_EQ(got.size(), contents.size());
    EXPECT_EQ(failures, 0);
    for (size_t i = 0; i < contents.size(); ++i) {
        EXPECT_TRUE(got[i] == contents[i]) << "entry " << i;
    }
}

} // namespace
} // namespace rarlib::testing
