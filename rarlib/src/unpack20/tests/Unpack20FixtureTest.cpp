// The real 2.0-packed material of the shared test archives: an entry and a packed archive comment.
#include <gtest/gtest.h>

#include "OldArchive.h"
#include "Sha256.h"
#include "core/Crc32.h"
#include "support/Manifest.h"
#include "unpack20/Unpack20.h"

namespace rarlib::testing {
namespace {

TEST(Unpack20Fixture, EntryMatchesManifest) {
    const OldArchive a = readOldArchive(test::readFile(test::fixturePath("rar2-unix-owner.rar")));
    ASSERT_EQ(a.entries.size(), 1u);
    const PackedItem& e = a.entries[0];
    ASSERT_EQ(e.unpVer, 20);
    ASSERT_EQ(e.method, 0x33);
    const test::ManifestRow* row = test::findManifestEntry("rar2-unix-owner.rar", 0);
    ASSERT_TRUE(row && row->size);
    Unpack20 u;
    std::vector<uint8_t> out;
    ASSERT_EQ(decodeTo(u, e.packed, e.unpSize, false, out), Status::Ok);
    EXPECT_EQ(out.size(), *row->size);
    EXPECT_EQ(crc32(out), e.crc);
    EXPECT_EQ(sha256Hex(out), row->sha256);
}

// Both archives carry the same packed main comment (only their files differ).
TEST(Unpack20Fixture, PackedArchiveComment) {
    for (const char* name : {"rar202-comment-nopsw.rar", "rar202-comment-psw.rar"}) {
        SCOPED_TRACE(name);
        const OldArchive a = readOldArchive(test::readFile(test::fixturePath(name)));
        ASSERT_TRUE(a.comment);
        ASSERT_EQ(a.comment->unpVer, 20);
        ASSERT_NE(a.comment->method, 0x30);
        Unpack20 u;
        std::vector<uint8_t> out;
        ASSERT_EQ(decodeTo(u, a.comment->packed, a.comment->unpSize, false, out), Status::Ok);
        EXPECT_EQ(crc32(out) & 0xFFFF, a.comment->crc);
        EXPECT_EQ(std::string(out.begin(), out.end()), "RARcomment");
    }
}

} // namespace
} // namespace rarlib::testing
