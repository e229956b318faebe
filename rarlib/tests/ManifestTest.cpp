// Every archive of testdata/rar/manifest.tsv through the C interface: header fields, test results and
// extracted files against the expected ones.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "Sha256.h"
#include "core/Crc32.h"
#include "rardll.h"
#include "support/Manifest.h"
#include "support/TempDir.h"

namespace rarlib::test {
namespace {

// Where this library deliberately answers differently from the reference reader, and why.
struct Deviation {
    int code;
    const char* reason;
};
const std::map<std::string, Deviation> kArchiveDeviations = {
    {"test_read_format_rar_endarc_huge.rar",
     {ERAR_BAD_ARCHIVE, "no main header after the marker: not an archive"}},
    {"test_read_format_rar_overflow.rar",
     {ERAR_BAD_ARCHIVE, "no main header after the marker: not an archive"}},
    {"test_read_format_rar_ppmd_use_after_free.rar", {ERAR_BAD_ARCHIVE, "no main header after the marker"}},
    {"test_read_format_rar_symlink_huge.rar", {ERAR_BAD_ARCHIVE, "no main header after the marker"}},
};

int codeFromName(const std::string& name) {
    static const std::map<std::string, int> codes = {{"ERAR_BAD_DATA", ERAR_BAD_DATA},
                                                     {"ERAR_BAD_ARCHIVE", ERAR_BAD_ARCHIVE},
                                                     {"ERAR_EREAD", ERAR_EREAD},
                                                     {"ERAR_EOPEN", ERAR_EOPEN},
                                                     {"ERAR_UNKNOWN_FORMAT", ERAR_UNKNOWN_FORMAT},
                                                     {"ERAR_MISSING_PASSWORD", ERAR_MISSING_PASSWORD}};
    const auto it = codes.find(name);
    return it == codes.end() ? -1 : it->second;
}

// "archive-error:ERAR_X(at open/first header)" -> ERAR_X
int archiveErrorCode(const std::string& expected) {
    const size_t colon = expected.find(':');
    const size_t paren = expected.find('(');
    return codeFromName(expected.substr(colon + 1, paren - colon - 1));
}

int expectedTestCode(const ManifestRow& row) {
    if (row.expected.starts_with("needs-password")) {
        return ERAR_MISSING_PASSWORD;
    }
    if (row.expected.starts_with("error:")) {
        return codeFromName(row.expected.substr(6));
    }
    return ERAR_SUCCESS;
}

bool deliversData(const ManifestRow& row) {
    return expectedTestCode(row) == ERAR_SUCCESS && row.expected != "dir";
}

struct Collected {
    Sha256 sha;
    Crc32 crc;
    uint64_t size = 0;
    std::string bytes;
    int volumeNotices = 0;
};

int CALLBACK collect(UINT msg, LPARAM user, LPARAM p1, LPARAM p2) {
    auto* c = reinterpret_cast<Collected*>(user);
    if (msg == UCM_PROCESSDATA) {
        const auto* data = reinterpret_cast<const uint8_t*>(p1);
        c->sha.update(data, static_cast<size_t>(p2));
        c->crc.update(data, static_cast<size_t>(p2));
        c->size += static_cast<uint64_t>(p2);
        c->bytes.append(reinterpret_cast<const char*>(data), static_cast<size_t>(p2));
    } else if (msg == UCM_CHANGEVOLUME) {
        if (p2 == RAR_VOL_ASK) {
            return -1;
        }
        ++c->volumeNotices;
    }
    return 1;
}

class Fixture : public ::testing::TestWithParam<ManifestArchive> {
protected:
    HANDLE open(int mode, Collected& collected, int& result) {
        const std::string path = GetParam().path;
        RAROpenArchiveDataEx data{};
        data.ArcName = const_cast<char*>(path.c_str());
        data.OpenMode = static_cast<UINT>(mode);
        data.Callback = collect;
        data.UserData = reinterpret_cast<LPARAM>(&collected);
        HANDLE h = RAROpenArchiveEx(&data);
        result = static_cast<int>(data.OpenResult);
        EXPECT_EQ(h == nullptr, result != ERAR_SUCCESS);
        return h;
    }

    // The archive-level outcome that needs no entry: a failure at open or at the first header.
    bool expectEarlyFailure(HANDLE h, int openResult) {
        const ManifestRow& s = GetParam().summary;
        const auto deviation = kArchiveDeviations.find(GetParam().archive);
        int want = -1;
        if (deviation != kArchiveDeviations.end()) {
            want = deviation->second.code;
        } else if (s.expected.find("(at open/first header)") != std::string::npos) {
            want = archiveErrorCode(s.expected);
        } else if (s.hasFeature("encrypted-headers")) {
            want = ERAR_MISSING_PASSWORD;
        } else {
            return false;
        }
        if (h) {
            RARHeaderDataEx header{};
            EXPECT_EQ(RARReadHeaderEx(h, &header), want);
            EXPECT_EQ(RARCloseArchive(h), ERAR_SUCCESS);
        } else {
            EXPECT_EQ(openResult, want);
        }
        return true;
    }

    void expectHeaderFields(const RARHeaderDataEx& h, const ManifestRow& row) {
        EXPECT_EQ(std::string(h.FileName), row.entry);
        EXPECT_EQ((h.Flags & 0xE0) == 0xE0, row.expected == "dir") << row.entry;
        EXPECT_EQ((h.Flags & 0x04) != 0, row.hasFeature("encrypted") && !row.hasFeature("encrypted-headers"));
        if (row.size && expectedTestCode(row) != ERAR_BAD_DATA) {
            EXPECT_EQ((uint64_t(h.UnpSizeHigh) << 32) | h.UnpSize, *row.size) << row.entry;
        }
        const std::map<std::string, UINT> hosts = {{"host=MSDOS", 0}, {"host=WIN32", 2}, {"host=UNIX", 3}};
        for (const auto& [feature, host] : hosts) {
            if (row.hasFeature(feature)) {
                EXPECT_EQ(h.HostOS, host) << row.entry;
            }
        }
        const std::map<std::string, UINT> versions = {{"v1.5", 15}, {"v2.0", 20}, {"v2.9", 29}};
        for (const auto& [feature, version] : versions) {
            if (row.hasFeature(feature)) {
                EXPECT_EQ(h.UnpVer, version) << row.entry;
            }
        }
        for (UINT m = 0; m <= 5; ++m) {
            if (row.hasFeature("m" + std::to_string(m))) {
                EXPECT_EQ(h.Method, 0x30 + m) << row.entry;
            }
        }
    }

    // After the last listed entry: the end, or the error the manifest names.
    void expectArchiveEnd(HANDLE h) {
        const ManifestRow& s = GetParam().summary;
        RARHeaderDataEx header{};
        const int rc = RARReadHeaderEx(h, &header);
        if (s.expected.starts_with("archive-error:")) {
            EXPECT_EQ(rc, archiveErrorCode(s.expected));
        } else {
            EXPECT_EQ(rc, ERAR_END_ARCHIVE) << "unexpected entry " << header.FileName;
        }
    }
};

TEST_P(Fixture, TestsEveryEntryAsExpected) {
    Collected collected;
    int openResult = 0;
    HANDLE h = open(RAR_OM_EXTRACT, collected, openResult);
    if (expectEarlyFailure(h, openResult)) {
        return;
    }
    ASSERT_NE(h, nullptr) << openResult;
    for (const ManifestRow& row : GetParam().entries) {
        SCOPED_TRACE(row.entry);
        RARHeaderDataEx header{};
        ASSERT_EQ(RARReadHeaderEx(h, &header), ERAR_SUCCESS);
        expectHeaderFields(header, row);
        collected = Collected{};
        EXPECT_EQ(RARProcessFile(h, RAR_TEST, nullptr, nullptr), expectedTestCode(row));
        if (deliversData(row)) {
            EXPECT_EQ(collected.size, *row.size);
            EXPECT_EQ(collected.sha.hex(), row.sha256);
            char crc[9];
            std::snprintf(crc, sizeof(crc), "%08x", collected.crc.value());
            EXPECT_EQ(crc, row.crc32);
        } else {
            EXPECT_EQ(collected.size, 0u) << "data delivered for a failing entry";
        }
    }
    expectArchiveEnd(h);
    EXPECT_EQ(RARCloseArchive(h), ERAR_SUCCESS);
}

TEST_P(Fixture, ExtractsFilesEqualToTheCallbackData) {
    Collected collected;
    int openResult = 0;
    HANDLE h = open(RAR_OM_EXTRACT, collected, openResult);
    if (expectEarlyFailure(h, openResult)) {
        return;
    }
    ASSERT_NE(h, nullptr);
    TempDir dir;
    std::string dest = dir.path().string();
    for (const ManifestRow& row : GetParam().entries) {
        SCOPED_TRACE(row.entry);
        RARHeaderDataEx header{};
        ASSERT_EQ(RARReadHeaderEx(h, &header), ERAR_SUCCESS);
        collected = Collected{};
        const int rc = RARProcessFile(h, RAR_EXTRACT, dest.data(), nullptr);
        const std::filesystem::path target = dir.path() / std::filesystem::path(row.entry);
        if (row.expected.starts_with("symlink->")) {
            // Links are never created, nor their target written as a file.
            EXPECT_EQ(rc, ERAR_ECREATE);
            EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(target)));
            continue;
        }
        EXPECT_EQ(rc, expectedTestCode(row));
        if (row.expected == "dir") {
            EXPECT_TRUE(std::filesystem::is_directory(target));
        } else if (rc == ERAR_SUCCESS) {
            const auto bytes = readFile(target.string());
            EXPECT_EQ(sha256Hex(bytes), row.sha256);
            EXPECT_EQ(std::string(bytes.begin(), bytes.end()), collected.bytes);
        } else {
            EXPECT_FALSE(std::filesystem::exists(target)) << "output left behind after " << rc;
        }
    }
    expectArchiveEnd(h);
    EXPECT_EQ(RARCloseArchive(h), ERAR_SUCCESS);
}

TEST_P(Fixture, ListsTheSameEntriesWithoutDecoding) {
    // Broken archives are listed differently (list mode passes over continuation parts and
    // does not meet the data errors); the other passes cover them.
    const std::string& outcome = GetParam().summary.expected;
    if (outcome != "end-ok" && outcome != "no-entries") {
        GTEST_SKIP() << outcome;
    }
    Collected collected;
    int openResult = 0;
    HANDLE h = open(RAR_OM_LIST, collected, openResult);
    if (expectEarlyFailure(h, openResult)) {
        return;
    }
    ASSERT_NE(h, nullptr);
    for (const ManifestRow& row : GetParam().entries) {
        RARHeaderDataEx header{};
        ASSERT_EQ(RARReadHeaderEx(h, &header), ERAR_SUCCESS);
        EXPECT_EQ(std::string(header.FileName), row.entry);
        // Any operation only moves on in list mode.
        EXPECT_EQ(RARProcessFile(h, RAR_TEST, nullptr, nullptr), ERAR_SUCCESS);
    }
    EXPECT_EQ(collected.size, 0u);
    RARHeaderDataEx header{};
    EXPECT_EQ(RARReadHeaderEx(h, &header), ERAR_END_ARCHIVE);
    EXPECT_EQ(RARCloseArchive(h), ERAR_SUCCESS);
}

} // namespace

void PrintTo(const ManifestArchive& archive, std::ostream* os) {
    *os << archive.archive;
}

namespace {

std::string caseName(const ::testing::TestParamInfo<ManifestArchive>& info) {
    std::string name;
    for (char c : info.param.archive) {
        name.push_back(std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Manifest, Fixture, ::testing::ValuesIn(loadFixtureManifest()), caseName);
INSTANTIATE_TEST_SUITE_P(Large, Fixture, ::testing::ValuesIn(loadLargeManifest()), caseName);

TEST(FixtureManifest, CoversTheWholeTestDataFolder) {
    const auto archives = loadFixtureManifest();
    EXPECT_GE(archives.size(), 40u);
    size_t entries = 0;
    for (const auto& a : archives) {
        entries += a.entries.size();
    }
    EXPECT_GE(entries, 100u);
}

} // namespace
} // namespace rarlib::test
