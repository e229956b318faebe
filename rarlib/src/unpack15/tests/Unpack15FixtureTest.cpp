// The real 1.5-packed material of the shared test archives: an entry and the packed archive comment.
#include <gtest/gtest.h>

#include "OldArchive.h"
#include "unpack15/Unpack15.h"

namespace rarlib::testing {
namespace {

class VectorSink final : public OutputSink {
public:
    Status write(const uint8_t* data, size_t size) override {
        bytes.insert(bytes.end(), data, data + size);
        return Status::Ok;
    }
    std::vector<uint8_t> bytes;
};

Status decode(Unpack15& u, const PackedItem& item, std::vector<uint8_t>& out) {
    MemorySource src(item.packed);
    VectorSink sink;
    const Status st = u.decodeEntry(src, item.unpSize, true, false, &sink);
    out = std::move(sink.bytes);
    return st;
}

TEST(Unpack15Fixture, EntryMatchesManifest) {
    const OldArchive a = readOldArchive(readFile(testDataPath("rar/rar15-comment.rar")));
    ASSERT_EQ(a.entries.size(), 2u);
    const PackedItem& e = a.entries[0];
    ASSERT_EQ(e.unpVer, 15);
    ASSERT_EQ(e.method, 0x33);
    const auto row = manifestRow("rar15-comment.rar", 0);
    ASSERT_TRUE(row);
    Unpack15 u;
    std::vector<uint8_t> out;
    ASSERT_EQ(decode(u, e, out), Status::Ok);
    EXPECT_EQ(out.size(), row->size);
    EXPECT_EQ(crcOf(out), e.crc);
    EXPECT_EQ(sha256Of(out), row->sha256);
}

TEST(Unpack15Fixture, PackedArchiveComment) {
    const OldArchive a = readOldArchive(readFile(testDataPath("rar/rar15-comment.rar")));
    ASSERT_TRUE(a.comment);
    ASSERT_EQ(a.comment->unpVer, 15);
    ASSERT_NE(a.comment->method, 0x30);
    Unpack15 u;
    std::vector<uint8_t> out;
    ASSERT_EQ(decode(u, *a.comment, out), Status::Ok);
    EXPECT_EQ(out.size(), a.comment->unpSize);
    EXPECT_EQ(crcOf(out) & 0xFFFF, a.comment->crc);
    EXPECT_EQ(std::string(out.begin(), out.end()), "RARcomment -----");
}

} // namespace
} // namespace rarlib::testing
