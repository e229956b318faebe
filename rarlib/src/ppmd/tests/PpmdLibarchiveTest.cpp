// The model against an independent reader: streams of the test encoder, which shares this model,
// packed into real archives and read back by libarchive. Agreement shows that the model, its
// allocator and its restarts behave as the format's other implementations do, not only that
// encoder and decoder agree with each other.
#include "PpmdTestEncoder.h"
#include "RarFixture.h"

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

namespace rarlib::testing {
namespace {

// The entry's content as libarchive extracts it, or an empty optional with its error.
std::optional<std::vector<uint8_t>> readWithLibarchive(const std::vector<uint8_t>& archive,
                                                       std::string& error) {
    struct archive* a = archive_read_new();
    archive_read_support_format_rar(a);
    std::optional<std::vector<uint8_t>> result;
    struct archive_entry* entry = nullptr;
    if (archive_read_open_memory(a, archive.data(), archive.size()) == ARCHIVE_OK &&
        archive_read_next_header(a, &entry) == ARCHIVE_OK) {
        std::vector<uint8_t> out;
        uint8_t buf[65536];
        la_ssize_t n;
        while ((n = archive_read_data(a, buf, sizeof buf)) > 0)
            out.insert(out.end(), buf, buf + n);
        if (n == 0)
            result = std::move(out);
    }
    if (!result)
        error = archive_error_string(a) ? archive_error_string(a) : "unknown error";
    archive_read_free(a);
    return result;
}

std::vector<uint8_t> mixedData(size_t n, uint32_t seed) {
    // Runs of text, of small numbers and of noise: contexts of every size and many binary ones.
    std::vector<uint8_t> v;
    while (v.size() < n) {
        seed = seed * 1103515245 + 12345;
        const unsigned kind = (seed >> 16) % 3;
        const unsigned len = 20 + (seed >> 20) % 200;
        for (unsigned i = 0; i < len; ++i) {
            seed = seed * 1103515245 + 12345;
            const uint32_t r = seed >> 16;
            v.push_back(static_cast<uint8_t>(kind == 0 ? "the quick brown fox jumps over a lazy dog "[r % 42]
                                             : kind == 1 ? r % 7
                                                         : r));
        }
    }
    v.resize(n);
    return v;
}

struct Case {
    unsigned order;
    unsigned heapMB;
    size_t size;
    bool expectRestarts;
};

class LibarchiveAgrees : public ::testing::TestWithParam<Case> {};

TEST_P(LibarchiveAgrees, OnTheTestEncodersStream) {
    const Case c = GetParam();
    const std::vector<uint8_t> data = mixedData(c.size, c.order * 131 + c.heapMB);
    PpmdTestEncoder enc;
    enc.startBlock(true, c.order, c.heapMB);
    for (uint8_t b : data)
        enc.literal(b);
    enc.endFile();
    if (c.expectRestarts) {
        ASSERT_GT(enc.restarts(), 0u) << "the data must exhaust the model";
    }
    std::string error;
    const auto got = readWithLibarchive(makeRarArchive("data.bin", enc.output(), data), error);
    ASSERT_TRUE(got.has_value()) << error;
    EXPECT_EQ(got->size(), data.size());
    EXPECT_TRUE(*got == data) << "libarchive decodes the stream differently";
}

INSTANTIATE_TEST_SUITE_P(Models, LibarchiveAgrees,
                         ::testing::Values(Case{2, 1, 200000, false}, Case{8, 25, 300000, false},
                                           Case{16, 1, 1600000, true}, Case{64, 1, 1000000, true},
                                           Case{5, 1, 2000000, true}),
                         [](const ::testing::TestParamInfo<Case>& p) {
                             return "order" + std::to_string(p.param.order) + "_" +
                                    std::to_string(p.param.heapMB) + "MB";
                         });

} // namespace
} // namespace rarlib::testing
