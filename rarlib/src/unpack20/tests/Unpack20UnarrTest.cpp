// An independent reader of the 2.0 method (libunarr) decodes the writer's streams, so that the writer,
// and with it the decoder's tests, do not rest on this project's reading of the format alone.
#include <gtest/gtest.h>

#include <unarr.h>

#include "OldArchive.h"
#include "Unpack20TestKit.h"

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

TEST(Unpack20Unarr, ReadsEveryCoding) {
    for (const StreamCase& c : streamCases()) {
        SCOPED_TRACE(c.name);
        Lz20Writer w;
        w.beginLzBlock();
        c.write(w);
        const std::vector<uint8_t> packed = w.endEntry();
        const auto archive = writeArchive({{"case.bin", w.output(), packed, false}}, 20, false);
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
    std::vector<ArchiveFile> files;
    size_t start = 0;
    auto end = [&](unsigned announce) {
        ArchiveFile f;
        f.name = "f" + std::to_string(files.size());
        f.packed = w.endEntry(announce);
        f.content.assign(w.output().begin() + start, w.output().end());
        f.solid = !files.empty();
        start = w.output().size();
        files.push_back(std::move(f));
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
    const auto got = unarrExtract(writeArchive(files, 20, true), failures);
    ASSERT_EQ(got.size(), files.size());
    EXPECT_EQ(failures, 0);
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_TRUE(got[i] == files[i].content) << "entry " << i;
    }
}

} // namespace
} // namespace rarlib::testing
