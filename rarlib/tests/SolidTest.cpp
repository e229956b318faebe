// Solid archives through the C interface: skipping decodes, list mode only seeks, and a stream that
// cannot be continued fails every entry that depends on it.
#include <gtest/gtest.h>

#include "FilterTestKit.h"
#include "core/Crc32.h"
#include "rardll.h"
#include "support/ArchiveBuilder.h"
#include "support/Interface.h"
#include "support/LzStreamBuilder.h"
#include "support/TempDir.h"

namespace rarlib::test {
namespace {

namespace fs = std::filesystem;

BuildEntry lzEntry(const char* name, std::vector<uint8_t> packed, const std::string& content, bool solid) {
    BuildEntry e;
    e.name = name;
    e.packed = std::move(packed);
    e.unpSize = content.size();
    e.crc = crc32(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(content.data()), content.size()));
    e.method = 0x33;
    e.unpVer = 29;
    e.flags = solid ? 0x10 : 0;
    return e;
}

// Three entries of one solid stream; the second and third copy from the first.
ArchiveBuilder solidArchive() {
    ArchiveBuilder b;
    b.mainFlags(0x0008);
    b.add(lzEntry("one.txt", LzStreamBuilder().table().literals("the first entry").endOfFile().finish(),
                  "the first entry", false));
    b.add(lzEntry("two.txt", LzStreamBuilder().match(9, 15).literals("second").endOfFile(true).finish(),
                  "the firstsecond", true));
    b.add(lzEntry("three.txt", LzStreamBuilder().table().match(6, 6).match(3, 36).endOfFile().finish(),
                  "secondthe", true));
    return b;
}

class Solid : public ::testing::Test {
protected:
    fs::path write(const ArchiveBuilder& b) {
        const fs::path p = dir.path() / "solid.rar";
        writeFile(p, b.build());
        return p;
    }
    TempDir dir;
};

TEST_F(Solid, SkippingAnEntryDecodesItForTheNextOne) {
    const auto path = write(solidArchive());
    CallbackLog log;
    OpenArchive a(path, RAR_OM_EXTRACT, &log);
    EXPECT_EQ(a.flags() & ROADF_SOLID, static_cast<UINT>(ROADF_SOLID));
    RARHeaderDataEx h{};
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    ASSERT_EQ(a.process(RAR_SKIP), ERAR_SUCCESS);
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    ASSERT_EQ(a.process(RAR_SKIP), ERAR_SUCCESS);
    EXPECT_TRUE(log.data.empty()) << "no data callbacks while skipping";
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    EXPECT_EQ(h.Flags & 0x10, 0x10u);
    ASSERT_EQ(a.process(RAR_EXTRACT, (dir.path() / "out").string()), ERAR_SUCCESS);
    EXPECT_EQ(readText(dir.path() / "out" / "three.txt"), "secondthe");
    EXPECT_EQ(log.data, "secondthe");
}

TEST_F(Solid, TestsEveryEntryAndListsWithoutDecoding) {
    const auto path = write(solidArchive());
    {
        CallbackLog log;
        OpenArchive a(path, RAR_OM_EXTRACT, &log);
        RARHeaderDataEx h{};
        while (a.next(h) == ERAR_SUCCESS) {
            EXPECT_EQ(a.process(RAR_TEST), ERAR_SUCCESS) << h.FileName;
        }
        EXPECT_EQ(log.data, "the first entrythe firstsecondsecondthe");
    }
    // Break the first entry's stream: list mode never notices, extract mode does.
    ArchiveBuilder broken = solidArchive();
    broken.add(lzEntry("four.txt", {0xFF}, "x", true));
    const auto brokenPath = write(broken);
    OpenArchive list(brokenPath, RAR_OM_LIST);
    RARHeaderDataEx h{};
    int count = 0;
    while (list.next(h) == ERAR_SUCCESS) {
        EXPECT_EQ(list.process(RAR_TEST), ERAR_SUCCESS);
        ++count;
    }
    EXPECT_EQ(count, 4);
}

TEST_F(Solid, AnEntryThatCannotBeDecodedFailsTheRestOfItsStream) {
    // A filter whose code is none of the standard ones.
    filters::testing::RecordFields unknown;
    unknown.number = 0;
    unknown.length = 2;
    unknown.code = {0x00, 0x01, 0x02};
    const auto rec = filters::testing::buildRecord(unknown);
    ArchiveBuilder b;
    b.mainFlags(0x0008);
    b.add(lzEntry(
        "filtered.exe",
        LzStreamBuilder().table().literals("ab").filterRecord(rec.first, rec.body).endOfFile().finish(), "ab",
        false));
    b.add(lzEntry("depends.txt", LzStreamBuilder().literals("cd").endOfFile().finish(), "cd", true));
    BuildEntry secret = lzEntry("secret.txt", {1, 2, 3, 4}, "xyz", false);
    secret.flags |= 0x04;
    b.add(secret);
    b.add(lzEntry("after-secret.txt", LzStreamBuilder().literals("ef").endOfFile().finish(), "ef", true));
    b.add(lzEntry("fresh.txt", LzStreamBuilder().table().literals("new stream").endOfFile().finish(),
                  "new stream", false));
    const auto path = write(b);
    OpenArchive a(path, RAR_OM_EXTRACT);
    const int expected[] = {ERAR_UNKNOWN_FORMAT, ERAR_UNKNOWN_FORMAT, ERAR_MISSING_PASSWORD,
                            ERAR_MISSING_PASSWORD, ERAR_SUCCESS};
    RARHeaderDataEx h{};
    for (int want : expected) {
        ASSERT_EQ(a.next(h), ERAR_SUCCESS);
        EXPECT_EQ(a.process(RAR_EXTRACT, (dir.path() / "out").string()), want) << h.FileName;
    }
    EXPECT_EQ(readText(dir.path() / "out" / "fresh.txt"), "new stream");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() / "out"), fs::directory_iterator()), 1);
}

TEST_F(Solid, SkippingABrokenEntryReportsIt) {
    ArchiveBuilder b;
    b.mainFlags(0x0008);
    b.add(lzEntry("truncated.txt", {0x00, 0x12}, "xxxxxxxx", false));
    b.add(lzEntry("next.txt", LzStreamBuilder().literals("n").endOfFile().finish(), "n", true));
    const auto path = write(b);
    OpenArchive a(path, RAR_OM_EXTRACT);
    RARHeaderDataEx h{};
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    EXPECT_EQ(a.process(RAR_SKIP), ERAR_BAD_DATA);
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    EXPECT_EQ(a.process(RAR_TEST), ERAR_BAD_DATA);
}

} // namespace
} // namespace rarlib::test
