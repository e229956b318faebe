// Unrar.dll under Wine decoding real archives: LZ, PPMd, filters, a solid stream and the large
// payload-like archive, and the PPMd memory limit of the 32-bit library.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "PpmdTestEncoder.h"
#include "Sha256.h"
#include "core/Crc32.h"
#include "support/ArchiveBuilder.h"
#include "support/Manifest.h"
#include "win32/UnrarDll.h"

namespace rarlib::test {
namespace {

class DllFixture : public ::testing::TestWithParam<const char*> {};

TEST_P(DllFixture, ExtractsEveryEntryAsTheManifestSays) {
    const ManifestArchive& expected = findManifestArchive(GetParam());
    ASSERT_FALSE(expected.entries.empty());
    TempFolder dir(L"rarlib-dll");
    Archive a(expected.path, RAR_OM_EXTRACT);
    ASSERT_EQ(a.result(), 0u);
    std::string dest = toCodePage(CP_OEMCP, dir.Path());
    for (const ManifestRow& row : expected.entries) {
        RARHeaderData h{};
        ASSERT_EQ(dll().readHeader(a.get(), &h), ERAR_SUCCESS);
        std::string windowsName = row.entry;
        std::replace(windowsName.begin(), windowsName.end(), '/', '\\');
        EXPECT_EQ(std::string(h.FileName), windowsName);
        const int rc = dll().processFile(a.get(), RAR_EXTRACT, dest.data(), nullptr);
        const std::wstring target = dir.Path() + L"\\" + std::wstring(windowsName.begin(), windowsName.end());
        if (row.expected == "dir") {
            EXPECT_EQ(rc, ERAR_SUCCESS);
            EXPECT_TRUE(pathExists(target, true)) << row.entry;
        } else if (row.expected.starts_with("symlink")) {
            EXPECT_EQ(rc, ERAR_ECREATE);
            EXPECT_FALSE(pathExists(target, false));
        } else {
            ASSERT_EQ(rc, ERAR_SUCCESS) << row.entry;
            const std::string bytes = readWholeFile(target);
            EXPECT_EQ(bytes.size(), row.size.value_or(0)) << row.entry;
            EXPECT_EQ(sha256Hex({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}), row.sha256)
                << row.entry;
        }
    }
    RARHeaderData h{};
    EXPECT_EQ(dll().readHeader(a.get(), &h), ERAR_END_ARCHIVE);
}

INSTANTIATE_TEST_SUITE_P(Archives, DllFixture,
                         ::testing::Values("test_read_format_rar_compress_normal.rar", // LZ
                                           "test_read_format_rar_compress_best.rar",   // PPMd
                                           "test_read_format_rar_filter.rar",          // E8E9, DELTA
                                           "rar3-solid.rar",                           // solid, DELTA
                                           "alpine_lzss.rar"),                         // every filter, 8 MB
                         [](const auto& info) {
                             std::string name = info.param;
                             std::replace_if(
                                 name.begin(), name.end(),
                                 [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
                             return name;
                         });

int CALLBACK collect(UINT msg, LPARAM user, LPARAM p1, LPARAM p2) noexcept {
    if (msg == UCM_PROCESSDATA) {
        reinterpret_cast<std::string*>(user)->append(reinterpret_cast<const char*>(p1),
                                                     static_cast<size_t>(p2));
    }
    return 1;
}

// The largest PPMd model the 32-bit library builds.
constexpr unsigned kLimitMB = 128;

// A PPMd entry whose model takes `modelMB`, then a stored one.
std::vector<uint8_t> ppmdArchive(unsigned modelMB, const std::string& text) {
    testing::PpmdTestEncoder enc;
    // A refused model is never built: its header is enough.
    const bool refused = modelMB > kLimitMB;
    enc.startBlock(true, 6, refused ? 1 : modelMB);
    for (char c : text) {
        enc.literal(static_cast<uint8_t>(c));
    }
    enc.endFile();
    BuildEntry e;
    e.name = "model.txt";
    e.packed = enc.output();
    e.packed[1] = static_cast<uint8_t>(modelMB - 1);
    e.unpSize = text.size();
    e.crc = crc32({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
    e.method = 0x35;
    e.unpVer = 29;
    return ArchiveBuilder().add(e).add(storedFile("after.txt", "still read")).build();
}

TEST(UnrarDllPpmd, DecodesAModelAtTheLimitAndRefusesLargerOnes) {
    const struct {
        unsigned modelMB;
        int expected;
    } cases[] = {{kLimitMB, ERAR_SUCCESS}, {kLimitMB + 1, ERAR_NO_MEMORY}, {256, ERAR_NO_MEMORY}};
    const std::string text = "text of a PPMd entry, text of a PPMd entry";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.modelMB);
        TempFolder dir(L"rarlib-dll");
        const std::wstring path = dir.Path() + L"\\ppmd.rar";
        ASSERT_TRUE(writeWholeFile(path, ppmdArchive(c.modelMB, text)));
        Archive a(toCodePage(CP_ACP, path), RAR_OM_EXTRACT);
        ASSERT_EQ(a.result(), 0u);
        std::string out;
        dll().setCallback(a.get(), collect, reinterpret_cast<LPARAM>(&out));
        RARHeaderData h{};
        ASSERT_EQ(dll().readHeader(a.get(), &h), ERAR_SUCCESS);
        EXPECT_EQ(dll().processFile(a.get(), RAR_TEST, nullptr, nullptr), c.expected);
        EXPECT_EQ(out, c.expected == ERAR_SUCCESS ? text : "");
        // The session goes on after a refused model.
        out.clear();
        ASSERT_EQ(dll().readHeader(a.get(), &h), ERAR_SUCCESS);
        EXPECT_EQ(dll().processFile(a.get(), RAR_TEST, nullptr, nullptr), ERAR_SUCCESS);
        EXPECT_EQ(out, "still read");
    }
}

} // namespace
} // namespace rarlib::test
