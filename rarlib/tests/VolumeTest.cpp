// Multi-volume archives: following split entries, volume names, the change-volume callback and
// missing volumes.
#include <gtest/gtest.h>

#include "Sha256.h"
#include "rardll.h"
#include "support/ArchiveBuilder.h"
#include "support/Interface.h"
#include "support/Manifest.h"
#include "support/TempDir.h"

namespace rarlib::test {
namespace {

namespace fs = std::filesystem;

const char* kVols[] = {"rar3-vols.part1.rar", "rar3-vols.part2.rar", "rar3-vols.part3.rar"};

class Volumes : public ::testing::Test {
protected:
    // Copies the fixture's volumes under the given names (empty: leave that volume out).
    fs::path copyVolumes(std::initializer_list<const char*> names) {
        size_t i = 0;
        for (const char* name : names) {
            if (*name) {
                fs::copy_file(fixturePath(kVols[i]), dir.path() / name);
            }
            ++i;
        }
        return dir.path() / *names.begin();
    }

    TempDir dir;
};

TEST_F(Volumes, FollowsASplitEntryAndNotifiesEachVolume) {
    CallbackLog log;
    OpenArchive a(fixturePath(kVols[0]), RAR_OM_EXTRACT, &log);
    EXPECT_EQ(a.flags() & (ROADF_VOLUME | ROADF_FIRSTVOLUME | ROADF_NEWNUMBERING), 0x111u);
    RARHeaderDataEx h{};
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    EXPECT_STREQ(h.FileName, "vols/bigfile.txt");
    EXPECT_EQ(h.Flags & 0x02, 0x02u); // continued in the next volume
    ASSERT_EQ(a.process(RAR_TEST), ERAR_SUCCESS);
    EXPECT_EQ(log.data.size(), 205000u);
    EXPECT_EQ(sha256Hex({reinterpret_cast<const uint8_t*>(log.data.data()), log.data.size()}),
              "57613b4a0d18b31472c9abe90780dcaf834f4edf48e79008f027a99710cf3632");
    ASSERT_EQ(log.volumeNotices.size(), 2u);
    EXPECT_EQ(fs::path(log.volumeNotices[1]).filename(), "rar3-vols.part3.rar");
    EXPECT_TRUE(log.volumeRequests.empty());
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    EXPECT_STREQ(h.FileName, "vols/smallfile.txt");
    EXPECT_EQ(fs::path(h.ArcName).filename(), "rar3-vols.part3.rar");
    EXPECT_EQ(a.process(RAR_TEST), ERAR_SUCCESS);
    EXPECT_EQ(a.next(h), ERAR_END_ARCHIVE);
}

TEST_F(Volumes, AMissingVolumeFailsTheEntryAndEndsTheWalk) {
    const fs::path first = copyVolumes({"set.part1.rar", "", "set.part3.rar"});
    for (bool withCallback : {false, true}) {
        CallbackLog log;
        OpenArchive a(first, RAR_OM_EXTRACT, withCallback ? &log : nullptr);
        RARHeaderDataEx h{};
        ASSERT_EQ(a.next(h), ERAR_SUCCESS);
        EXPECT_EQ(a.process(RAR_EXTRACT, (dir.path() / "out").string()), ERAR_EOPEN);
        EXPECT_FALSE(fs::exists(dir.path() / "out" / "vols" / "bigfile.txt"));
        if (withCallback) {
            ASSERT_EQ(log.volumeRequests.size(), 1u) << "asked once, cancelled";
            EXPECT_EQ(fs::path(log.volumeRequests[0]).filename(), "set.part2.rar");
        }
        EXPECT_EQ(a.next(h), ERAR_EREAD);
        EXPECT_EQ(a.next(h), ERAR_EREAD);
    }
}

TEST_F(Volumes, TheCallbackCanNameTheMissingVolume) {
    const fs::path first = copyVolumes({"set.part1.rar", "renamed2.rar", "renamed3.rar"});
    CallbackLog log;
    log.renameVolumeTo = (dir.path() / "renamed2.rar").string();
    OpenArchive a(first, RAR_OM_EXTRACT, &log);
    RARHeaderDataEx h{};
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    // After renamed2.rar the next name is counted from it: renamed3.rar.
    EXPECT_EQ(a.process(RAR_TEST), ERAR_SUCCESS);
    EXPECT_EQ(log.volumeRequests.size(), 1u);
    EXPECT_EQ(log.data.size(), 205000u);
}

TEST_F(Volumes, ListModeSkipsContinuationsAndIncSplitReportsThem) {
    std::string content(50000, '\0');
    for (size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<char>(i % 251);
    }
    const auto volumes = ArchiveBuilder()
                             .add(storedFile("big.bin", content))
                             .add(storedFile("tail.txt", "tail"))
                             .buildVolumes(20000, false);
    ASSERT_EQ(volumes.size(), 3u);
    const char* names[] = {"old.rar", "old.r00", "old.r01"};
    for (size_t i = 0; i < volumes.size(); ++i) {
        writeFile(dir.path() / names[i], volumes[i]);
    }
    // Old volume naming, extraction across both successors.
    {
        CallbackLog log;
        OpenArchive a(dir.path() / "old.rar", RAR_OM_EXTRACT, &log);
        RARHeaderDataEx h{};
        ASSERT_EQ(a.next(h), ERAR_SUCCESS);
        ASSERT_EQ(a.process(RAR_EXTRACT, (dir.path() / "out").string()), ERAR_SUCCESS);
        EXPECT_EQ(readText(dir.path() / "out" / "big.bin"), content);
        ASSERT_EQ(a.next(h), ERAR_SUCCESS);
        EXPECT_STREQ(h.FileName, "tail.txt");
        EXPECT_EQ(a.process(RAR_TEST), ERAR_SUCCESS);
        EXPECT_EQ(a.next(h), ERAR_END_ARCHIVE);
        EXPECT_EQ(log.volumeNotices.size(), 2u);
    }
    // Listing: one entry per file; with INCSPLIT one per part.
    for (auto [mode, expected] : {std::pair{RAR_OM_LIST, 2}, std::pair{RAR_OM_LIST_INCSPLIT, 4}}) {
        OpenArchive a(dir.path() / "old.rar", mode);
        RARHeaderDataEx h{};
        int count = 0;
        while (a.next(h) == ERAR_SUCCESS) {
            ++count;
            ASSERT_EQ(a.process(RAR_SKIP), ERAR_SUCCESS);
        }
        EXPECT_EQ(count, expected) << "mode " << mode;
    }
    // Opening a later volume directly: its continuation part is not extractable on its own.
    OpenArchive middle(dir.path() / "old.r00", RAR_OM_EXTRACT);
    RARHeaderDataEx h{};
    ASSERT_EQ(middle.next(h), ERAR_SUCCESS);
    EXPECT_EQ(h.Flags & 0x03, 0x03u);
    // Processing still moves past the entry's last part, in the next volume.
    EXPECT_EQ(middle.process(RAR_TEST), ERAR_BAD_DATA);
    ASSERT_EQ(middle.next(h), ERAR_SUCCESS);
    EXPECT_STREQ(h.FileName, "tail.txt");
    EXPECT_EQ(middle.process(RAR_TEST), ERAR_SUCCESS);
}

TEST_F(Volumes, ADamagedContinuationIsBadData) {
    const auto volumes =
        ArchiveBuilder().add(storedFile("big.bin", std::string(30000, 'z'))).buildVolumes(20000, true);
    ASSERT_EQ(volumes.size(), 2u);
    writeFile(dir.path() / "d.part1.rar", volumes[0]);
    auto second = volumes[1];
    second[second.size() - 20] ^= 0x55; // inside the continuation's data
    writeFile(dir.path() / "d.part2.rar", second);
    OpenArchive a(dir.path() / "d.part1.rar", RAR_OM_EXTRACT);
    RARHeaderDataEx h{};
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    EXPECT_EQ(a.process(RAR_TEST), ERAR_BAD_DATA);
    EXPECT_EQ(a.next(h), ERAR_END_ARCHIVE);
}

} // namespace
} // namespace rarlib::test
