// The real 1.5-packed material of the shared test archives: an entry and the packed archive comment.
#include <gtest/gtest.h>

#include "OldArchive.h"
#include "Sha256.h"
#include "core/Crc32.h"
#include "support/Manifest.h"
#include "unpack15/Unpack15.h"

namespace rarlib::testing {
namespace {

TEST(Unpack15Fixture, EntryAndCommentMatchTheArchive) {
    const OldArchive a = readOldArchive(test::readFile(test::fixturePath("rar15-comment.rar")));
    ASSERT_EQ(a.entries.size(), 2u);
    const PackedItem& e = a.entries[0];
    ASSERT_EQ(e.unpVer, 15);
    ASSERT_EQ(e.method, 0x33);
    const test::ManifestRow* row = test::findManifestEntry("rar15-comment.rar", 0);
    ASSERT_TRUE(row && row->size);
    Unpack15 u;
    std::vector<uint8_t> out;
    ASSERT_EQ(decodeTo(u, e.packed, e.unpSize, false, out), Status::Ok);
    EXPECT_EQ(out.size(), *row->size);
    EXPECT_EQ(crc32(out), e.crc);
    EXPECT_EQ(sha256Hex(out), row->sha256);

    ASSERT_TRUE(a.comment);
    ASSERT_EQ(a.comment->unpVer, 15);
    ASSERT_NE(a.comment->method, 0x30);
    Unpack15 fresh;
    ASSERT_EQ(decodeTo(fresh, a.comment->packed, a.comment->unpSize, false, out), Status::Ok);
    EXPECT_EQ(crc32(out) & 0xFFFF, a.comment->crc);
    EXPECT_EQ(std::string(out.begin(), out.end()), "RARcomment -----");
}

} // namespace
} // namespace rarlib::testing
