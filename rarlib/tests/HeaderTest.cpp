// Block headers and the block walk, on real fixtures and hand-made archives in memory.
#include <gtest/gtest.h>

#include "archive/ArchiveReader.h"
#include "core/Crc32.h"
#include "format/FileHeader.h"
#include "support/ArchiveBuilder.h"
#include "support/Manifest.h"

namespace rarlib {
namespace {

using test::ArchiveBuilder;
using test::storedFile;

struct Walk {
    Status open = Status::Unknown;
    std::vector<FileHeader> headers;
    Status end = Status::Unknown;
};

Walk walk(const std::vector<uint8_t>& bytes) {
    Walk w;
    ArchiveReader reader(std::make_unique<MemoryInput>(bytes), nullptr);
    w.open = reader.open();
    if (w.open != Status::Ok) {
        return w;
    }
    FileHeader h;
    while ((w.end = reader.nextFileHeader(h)) == Status::Ok) {
        w.headers.push_back(h);
    }
    return w;
}

TEST(FileHeader, ReadsTheExtendedModificationTime) {
    // ctime1.rar: mtime present with one extra second and three bytes of 100 ns units.
    const Walk w = walk(test::readFile(test::fixturePath("ctime1.rar")));
    ASSERT_EQ(w.headers.size(), 1u);
    EXPECT_EQ(w.headers[0].mtime.dosTime, 0x3EAAAB97u);
    EXPECT_EQ(w.headers[0].mtime.extra100ns, 10'000'000u + 0x893AABu);
}

TEST(FileHeader, RejectsInconsistentHeaders) {
    auto header = test::fileHeaderBytes(storedFile("name.txt", "data"), 4, 0, 0);
    FileHeader h;
    ASSERT_EQ(parseFileHeader(header, h), Status::Ok);
    EXPECT_EQ(h.rawName, "name.txt");

    auto badCrc = header;
    badCrc.back() ^= 1;
    EXPECT_EQ(parseFileHeader(badCrc, h), Status::BadData);

    // NAME_SIZE larger than the header, with a CRC that matches.
    auto longName = header;
    longName[26] = 200;
    const uint32_t crc = crc32(std::span<const uint8_t>(longName).subspan(2)) & 0xFFFF;
    longName[0] = static_cast<uint8_t>(crc);
    longName[1] = static_cast<uint8_t>(crc >> 8);
    EXPECT_EQ(parseFileHeader(longName, h), Status::BadData);

    EXPECT_EQ(parseFileHeader(std::span<const uint8_t>(header).first(20), h), Status::BadData);
}

TEST(FileHeader, CombinesHighSizesAndRefusesNegativeOnes) {
    test::BuildEntry e = storedFile("big", "");
    e.unpSize = 0x123456789ull;
    FileHeader h;
    ASSERT_EQ(parseFileHeader(test::fileHeaderBytes(e, 0x100000002ull, 0, 0), h), Status::Ok);
    EXPECT_EQ(h.packSize, 0x100000002ull);
    EXPECT_EQ(h.unpSize, 0x123456789ull);
    EXPECT_FALSE(h.unpSizeUnknown);

    e.unpSize = 0x8000000000000000ull;
    EXPECT_EQ(parseFileHeader(test::fileHeaderBytes(e, 1, 0, 0), h), Status::BadData);
}

TEST(ArchiveReader, FindsTheArchiveBehindAStubThatContainsTheMarker) {
    const auto archive = ArchiveBuilder().add(storedFile("a.txt", "hello")).build();
    std::vector<uint8_t> bytes(1000, 'M');
    // A marker not followed by a main header is part of the stub.
    const std::vector<uint8_t> fake = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00, 0x12, 0x34};
    bytes.insert(bytes.begin() + 100, fake.begin(), fake.end());
    bytes.insert(bytes.end(), archive.begin(), archive.end());
    const Walk w = walk(bytes);
    ASSERT_EQ(w.open, Status::Ok);
    ASSERT_EQ(w.headers.size(), 1u);
    EXPECT_EQ(w.headers[0].rawName, "a.txt");
}

TEST(ArchiveReader, ReadsTheRealSelfExtractor) {
    const Walk w = walk(test::readFile(test::fixturePath("test_read_format_rar_sfx.exe")));
    ASSERT_EQ(w.open, Status::Ok);
    EXPECT_EQ(w.headers.size(), 5u);
    EXPECT_EQ(w.end, Status::EndArchive);
}

TEST(ArchiveReader, RefusesWhatIsNotAnArchiveOfThisFamily) {
    EXPECT_EQ(walk(std::vector<uint8_t>(100, 0)).open, Status::BadArchive);
    EXPECT_EQ(walk({0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x01, 0x00, 0, 0, 0, 0}).open, Status::UnknownFormat);
    // A main header with a wrong CRC.
    auto bytes = ArchiveBuilder().build();
    bytes[7] ^= 0xFF;
    EXPECT_EQ(walk(bytes).open, Status::BadArchive);
}

TEST(ArchiveReader, SkipsServiceAndUnknownBlocks) {
    auto bytes = ArchiveBuilder().comment("a comment").add(storedFile("a", "1")).build();
    // Insert an unknown block type with data (long-block flag) before the end block.
    const std::vector<uint8_t> unknown = {0, 0, 0x7F, 0x00, 0x80, 11, 0, 3, 0, 0, 0, 'x', 'y', 'z'};
    bytes.insert(bytes.end() - 7, unknown.begin(), unknown.end());
    const Walk w = walk(bytes);
    ASSERT_EQ(w.headers.size(), 1u);
    EXPECT_EQ(w.headers[0].rawName, "a");
    EXPECT_EQ(w.end, Status::EndArchive);
}

TEST(ArchiveReader, FailsCleanlyOnDamagedBlockStructure) {
    const auto good = ArchiveBuilder().add(storedFile("a", "12345")).add(storedFile("b", "6")).build();
    const size_t firstFile = 7 + 13;

    // Truncated inside the second header: the first entry is listed, then a broken header.
    auto cut = std::vector<uint8_t>(good.begin(), good.end() - 7 - 10);
    Walk w = walk(cut);
    EXPECT_EQ(w.headers.size(), 1u);
    EXPECT_EQ(w.end, Status::BadData);

    // Data running past the end of the file: the header is fine, the walk cannot go on.
    cut = std::vector<uint8_t>(good.begin(), good.begin() + firstFile + 33 + 2);
    w = walk(cut);
    EXPECT_EQ(w.headers.size(), 1u);
    EXPECT_EQ(w.end, Status::ERead);

    // HEAD_SIZE below the common header size.
    auto tiny = good;
    tiny[firstFile + 5] = 3;
    tiny[firstFile + 6] = 0;
    EXPECT_EQ(walk(tiny).end, Status::BadData);

    // Every single-byte change inside the first file header is caught by its CRC (except in the type
    // byte, which can turn the block into an old-style one that carries no checkable CRC).
    for (size_t i = firstFile; i < firstFile + 33; ++i) {
        if (i == firstFile + 2) {
            continue;
        }
        auto flipped = good;
        flipped[i] ^= 0x01;
        const Walk f = walk(flipped);
        EXPECT_EQ(f.headers.size(), 0u) << "byte " << i;
        EXPECT_NE(f.end, Status::Ok);
    }
}

TEST(ArchiveReader, AcceptsOldHeadersWhoseCrcLeavesOutEmbeddedComments) {
    // Both have comments inside the main and file headers (RAR 1.5 / 2.0).
    for (const char* name : {"rar15-comment.rar", "rar202-comment-nopsw.rar"}) {
        const Walk w = walk(test::readFile(test::fixturePath(name)));
        ASSERT_EQ(w.open, Status::Ok) << name;
        EXPECT_EQ(w.headers.size(), 2u) << name;
        EXPECT_EQ(w.end, Status::EndArchive) << name;
    }
}

} // namespace
} // namespace rarlib
