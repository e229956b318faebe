// The C interface's extraction rules: destinations, replacing files, metadata, refusals, callbacks,
// passwords, comments and the header fields.
#include <gtest/gtest.h>

#include <ctime>
#include <sys/stat.h>

#include "core/Crc32.h"
#include "rardll.h"
#include "support/ArchiveBuilder.h"
#include "support/Interface.h"
#include "support/Manifest.h"
#include "support/TempDir.h"

namespace rarlib::test {
namespace {

namespace fs = std::filesystem;

time_t localTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

class Extract : public ::testing::Test {
protected:
    fs::path archive(const ArchiveBuilder& builder, const char* name = "test.rar") {
        const fs::path path = dir.path() / name;
        writeFile(path, builder.build());
        return path;
    }
    fs::path out() const { return dir.path() / "out"; }

    TempDir dir;
};

TEST_F(Extract, DestPathKeepsTheStoredFoldersAndDestNameIsUsedAsGiven) {
    const auto path = archive(
        ArchiveBuilder().add(storedFile("Dist\\sub\\a.txt", "alpha")).add(storedFile("b.txt", "beta")));
    OpenArchive a(path, RAR_OM_EXTRACT);
    RARHeaderDataEx h{};
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    EXPECT_STREQ(h.FileName, "Dist/sub/a.txt");
    ASSERT_EQ(a.process(RAR_EXTRACT, out().string()), ERAR_SUCCESS);
    EXPECT_EQ(readText(out() / "Dist" / "sub" / "a.txt"), "alpha");

    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    const fs::path renamed = dir.path() / "elsewhere" / "deeper" / "renamed.bin";
    ASSERT_EQ(a.process(RAR_EXTRACT, out().string(), renamed.string()), ERAR_SUCCESS);
    EXPECT_EQ(readText(renamed), "beta");
    EXPECT_FALSE(fs::exists(out() / "b.txt"));
    EXPECT_EQ(a.next(h), ERAR_END_ARCHIVE);
}

TEST_F(Extract, ReplacesAnExistingFileEvenWhenReadOnly) {
    const auto path = archive(ArchiveBuilder().add(storedFile("a.txt", "new contents")));
    fs::create_directories(out());
    writeFile(out() / "a.txt", std::vector<uint8_t>(1000, 'x'));
    fs::permissions(out() / "a.txt", fs::perms::owner_read | fs::perms::group_read);
    OpenArchive a(path, RAR_OM_EXTRACT);
    RARHeaderDataEx h{};
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    ASSERT_EQ(a.process(RAR_EXTRACT, out().string()), ERAR_SUCCESS);
    EXPECT_EQ(readText(out() / "a.txt"), "new contents");
}

TEST_F(Extract, SetsTheModificationTimeAndPermissions) {
    BuildEntry dos = storedFile("dos.txt", "read only");
    dos.attr = 0x21; // read-only, archive
    dos.dosTime =
        (30u << 25) | (6u << 21) | (15u << 16) | (13u << 11) | (45u << 5) | 10u; // 2010-06-15 13:45:20
    BuildEntry unix = storedFile("unix.sh", "#!/bin/sh\n");
    unix.hostOs = 3;
    unix.attr = 0100750;
    const auto path = archive(ArchiveBuilder().add(dos).add(unix));
    OpenArchive a(path, RAR_OM_EXTRACT);
    RARHeaderDataEx h{};
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(a.next(h), ERAR_SUCCESS);
        ASSERT_EQ(a.process(RAR_EXTRACT, out().string()), ERAR_SUCCESS);
    }
    struct stat st {};
    ASSERT_EQ(::stat((out() / "dos.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, localTime(2010, 6, 15, 13, 45, 20));
    EXPECT_EQ(st.st_mode & 0777, 0444u);
    ASSERT_EQ(::stat((out() / "unix.sh").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0750u);
}

TEST_F(Extract, AppliesTheExtendedTimeWithItsFraction) {
    OpenArchive a(fixturePath("ctime1.rar"), RAR_OM_EXTRACT);
    RARHeaderDataEx h{};
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    ASSERT_EQ(a.process(RAR_EXTRACT, out().string()), ERAR_SUCCESS);
    struct stat st {};
    ASSERT_EQ(::stat((out() / "afile.txt").c_str(), &st), 0);
    // 21:28:46 + 1 s + 0x893AAB * 100 ns
    EXPECT_EQ(st.st_mtim.tv_nsec, 899345100);
    EXPECT_EQ(st.st_mtime, localTime(2011, 5, 10, 21, 28, 47));
}

TEST_F(Extract, RefusesStoredNamesThatLeaveTheDestination) {
    const char* hostile[] = {
        "..\\escaped.txt", "a\\..\\..\\escaped.txt",         "\\escaped.txt",   "/tmp/escaped.txt",
        "C:\\escaped.txt", "\\\\server\\share\\escaped.txt", "file.txt:stream", "NUL"};
    ArchiveBuilder builder;
    for (const char* name : hostile) {
        builder.add(storedFile(name, "payload"));
    }
    builder.add(storedFile("fine.txt", "fine"));
    const auto path = archive(builder);
    fs::create_directories(out() / "inner");
    OpenArchive a(path, RAR_OM_EXTRACT);
    RARHeaderDataEx h{};
    for (const char* name : hostile) {
        ASSERT_EQ(a.next(h), ERAR_SUCCESS) << name;
        EXPECT_EQ(a.process(RAR_EXTRACT, (out() / "inner").string()), ERAR_ECREATE) << name;
    }
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    EXPECT_EQ(a.process(RAR_EXTRACT, (out() / "inner").string()), ERAR_SUCCESS);
    // Only the harmless entry was written, and nothing at all outside the destination.
    std::vector<fs::path> written;
    for (const auto& e : fs::recursive_directory_iterator(dir.path())) {
        if (e.is_regular_file()) {
            written.push_back(fs::relative(e.path(), dir.path()));
        }
    }
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<fs::path>{fs::path("out") / "inner" / "fine.txt", "test.rar"}));
    EXPECT_FALSE(fs::exists("/tmp/escaped.txt"));
}

TEST_F(Extract, ACorruptEntryLeavesNoFileAndTheNextOneStillExtracts) {
    BuildEntry bad = storedFile("bad.txt", "some data");
    bad.crc = 0x12345678;
    const auto path = archive(ArchiveBuilder().add(bad).add(storedFile("good.txt", "good")));
    OpenArchive a(path, RAR_OM_EXTRACT);
    RARHeaderDataEx h{};
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    EXPECT_EQ(a.process(RAR_EXTRACT, out().string()), ERAR_BAD_DATA);
    EXPECT_FALSE(fs::exists(out() / "bad.txt"));
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    EXPECT_EQ(a.process(RAR_EXTRACT, out().string()), ERAR_SUCCESS);
    EXPECT_EQ(readText(out() / "good.txt"), "good");
}

TEST_F(Extract, ADeclaredSizeThatDoesNotMatchTheDataFails) {
    BuildEntry shortData = storedFile("short.txt", "abc");
    shortData.unpSize = 10;
    const auto path = archive(ArchiveBuilder().add(shortData));
    OpenArchive a(path, RAR_OM_EXTRACT);
    RARHeaderDataEx h{};
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    EXPECT_EQ(a.process(RAR_TEST), ERAR_BAD_DATA);
}

TEST_F(Extract, CallbackDataEqualsTheFileAndCancellingRemovesIt) {
    std::string big;
    for (int i = 0; i < 300000; ++i) {
        big.push_back(static_cast<char>(i * 31 + i / 7));
    }
    const auto path =
        archive(ArchiveBuilder().add(storedFile("big.bin", big)).add(storedFile("next.bin", big)));
    CallbackLog log;
    OpenArchive a(path, RAR_OM_EXTRACT, &log);
    RARHeaderDataEx h{};
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    ASSERT_EQ(a.process(RAR_EXTRACT, out().string()), ERAR_SUCCESS);
    EXPECT_EQ(log.data, big);
    EXPECT_EQ(readText(out() / "big.bin"), big);

    log.data.clear();
    log.processDataReturn = -1;
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    EXPECT_EQ(a.process(RAR_EXTRACT, out().string()), ERAR_UNKNOWN);
    EXPECT_FALSE(fs::exists(out() / "next.bin"));
    EXPECT_EQ(a.next(h), ERAR_END_ARCHIVE);
}

int processDataCalls = 0;
int PASCAL refuseData(unsigned char*, int) {
    ++processDataCalls;
    return 0;
}

TEST_F(Extract, TheOldStyleDataCallbackCancelsWithZero) {
    const auto path = archive(ArchiveBuilder().add(storedFile("a.txt", "abc")));
    OpenArchive a(path, RAR_OM_EXTRACT);
    RARSetProcessDataProc(a.get(), refuseData);
    RARHeaderDataEx h{};
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    processDataCalls = 0;
    EXPECT_EQ(a.process(RAR_TEST), ERAR_UNKNOWN);
    EXPECT_EQ(processDataCalls, 1);
}

TEST_F(Extract, EncryptedEntriesNeedAPasswordThatCannotBeUsed) {
    BuildEntry secret = storedFile("secret.txt", "0123456789abcdef");
    secret.flags = 0x04;
    const auto path =
        archive(ArchiveBuilder().add(secret).add(secret).add(secret).add(storedFile("open.txt", "x")));
    CallbackLog log;
    OpenArchive a(path, RAR_OM_EXTRACT, &log);
    RARHeaderDataEx h{};
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    EXPECT_EQ(h.Flags & 0x04, 0x04u);
    EXPECT_EQ(a.process(RAR_EXTRACT, out().string()), ERAR_MISSING_PASSWORD);
    EXPECT_EQ(log.passwordRequests, 1);

    log.password = "from the callback";
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    EXPECT_EQ(a.process(RAR_EXTRACT, out().string()), ERAR_BAD_PASSWORD);

    RARSetPassword(a.get(), const_cast<char*>("set"));
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    EXPECT_EQ(a.process(RAR_TEST), ERAR_BAD_PASSWORD);
    EXPECT_FALSE(fs::exists(out() / "secret.txt"));
    EXPECT_TRUE(log.data.empty());

    // A plain entry after them is unaffected.
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    EXPECT_EQ(a.process(RAR_TEST), ERAR_SUCCESS);
}

TEST_F(Extract, EncryptedHeadersStopTheListing) {
    OpenArchive plain(fixturePath("rar3-comment-hpsw.rar"), RAR_OM_LIST);
    ASSERT_EQ(plain.openResult(), ERAR_SUCCESS);
    EXPECT_EQ(plain.flags() & ROADF_ENCHEADERS, static_cast<UINT>(ROADF_ENCHEADERS));
    RARHeaderDataEx h{};
    EXPECT_EQ(plain.next(h), ERAR_MISSING_PASSWORD);
    EXPECT_EQ(plain.next(h), ERAR_MISSING_PASSWORD);

    OpenArchive withPassword(fixturePath("rar3-comment-hpsw.rar"), RAR_OM_LIST);
    RARSetPassword(withPassword.get(), const_cast<char*>("password"));
    EXPECT_EQ(withPassword.next(h), ERAR_BAD_PASSWORD);
}

TEST_F(Extract, ReadsArchiveComments) {
    struct Case {
        const char* archive;
        UINT state;
        std::string text;
    };
    const Case cases[] = {
        {"rar3-comment-plain.rar", 1, "RARcomment\n"}, // packed with the 2.9 method
        {"test_read_format_rar_subblock.rar", 1, "test rar with archive comment"}, // stored
        {"rar15-comment.rar", 1, "RARcomment -----"},  // packed with the 1.5 method
        {"rar202-comment-nopsw.rar", 1, "RARcomment"}, // packed with the 2.0 method
        {"ctime0.rar", 0, ""},
    };
    for (const auto& c : cases) {
        char buffer[64] = {};
        RAROpenArchiveData data{};
        std::string name = fixturePath(c.archive);
        data.ArcName = name.data();
        data.OpenMode = RAR_OM_LIST;
        data.CmtBuf = buffer;
        data.CmtBufSize = sizeof(buffer);
        HANDLE h = RAROpenArchive(&data);
        ASSERT_NE(h, nullptr) << c.archive;
        EXPECT_EQ(data.CmtState, c.state) << c.archive;
        EXPECT_EQ(std::string(buffer), c.text) << c.archive;
        EXPECT_EQ(data.CmtSize, c.text.empty() ? 0u : c.text.size() + 1) << c.archive;
        RARCloseArchive(h);
    }
    // A buffer too small gets the start of the comment.
    char small[5] = {};
    RAROpenArchiveData data{};
    std::string name = fixturePath("test_read_format_rar_subblock.rar");
    data.ArcName = name.data();
    data.CmtBuf = small;
    data.CmtBufSize = sizeof(small);
    HANDLE h = RAROpenArchive(&data);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(data.CmtState, static_cast<UINT>(ERAR_SMALL_BUF));
    EXPECT_STREQ(small, "test");
    RARCloseArchive(h);

    const auto path = archive(ArchiveBuilder().comment("made here").add(storedFile("a", "b")));
    OpenArchive made(path, RAR_OM_LIST);
    EXPECT_EQ(made.flags() & ROADF_COMMENT, static_cast<UINT>(ROADF_COMMENT));
}

TEST_F(Extract, OpenFailsCleanly) {
    RAROpenArchiveData data{};
    std::string missing = (dir.path() / "missing.rar").string();
    data.ArcName = missing.data();
    EXPECT_EQ(RAROpenArchive(&data), nullptr);
    EXPECT_EQ(data.OpenResult, static_cast<UINT>(ERAR_EOPEN));

    writeFile(dir.path() / "text.rar", std::vector<uint8_t>(5000, 'a'));
    std::string text = (dir.path() / "text.rar").string();
    data.ArcName = text.data();
    EXPECT_EQ(RAROpenArchive(&data), nullptr);
    EXPECT_EQ(data.OpenResult, static_cast<UINT>(ERAR_BAD_ARCHIVE));
}

TEST_F(Extract, FillsBothHeaderStructures) {
    std::string longName(300, 'n');
    BuildEntry wide = storedFile("plain", "data");
    wide.wideName = u"\u0444\u0430\u0439\u043b.txt";
    const auto path = archive(ArchiveBuilder().add(storedFile(longName, "12345")).add(wide));
    OpenArchive a(path, RAR_OM_LIST);
    RARHeaderData h{};
    ASSERT_EQ(RARReadHeader(a.get(), &h), ERAR_SUCCESS);
    EXPECT_EQ(std::string(h.FileName), longName.substr(0, 259));
    EXPECT_EQ(std::string(h.ArcName), path.string());
    EXPECT_EQ(h.UnpSize, 5u);
    EXPECT_EQ(h.PackSize, 5u);
    EXPECT_EQ(h.FileCRC, crc32(std::vector<uint8_t>{'1', '2', '3', '4', '5'}));
    EXPECT_EQ(h.FileTime, 0x3C212000u);
    EXPECT_EQ(h.Method, 0x30u);
    EXPECT_EQ(h.UnpVer, 20u);
    EXPECT_EQ(h.HostOS, 2u);
    EXPECT_EQ(h.FileAttr, 0x20u);
    EXPECT_EQ(h.Flags, 0x8000u);
    ASSERT_EQ(a.process(RAR_SKIP), ERAR_SUCCESS);

    RARHeaderDataEx ex{};
    ASSERT_EQ(a.next(ex), ERAR_SUCCESS);
    EXPECT_EQ(std::wstring(ex.FileNameW), L"\u0444\u0430\u0439\u043b.txt");
    EXPECT_EQ(std::string(ex.FileName), "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB.txt");
    EXPECT_EQ(ex.Flags & 0x200, 0x200u);
}

TEST_F(Extract, FollowsTheCallSequenceLeniently) {
    const auto path = archive(
        ArchiveBuilder().add(storedFile("a", "1")).add(storedFile("b", "2")).add(storedFile("c", "3")));
    OpenArchive a(path, RAR_OM_EXTRACT);
    EXPECT_EQ(a.process(RAR_TEST), ERAR_UNKNOWN); // no header read yet
    RARHeaderDataEx h{};
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    // A second read without processing moves on to the next entry.
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    EXPECT_STREQ(h.FileName, "b");
    // An unknown operation is refused and passes the entry over.
    EXPECT_EQ(a.process(7), ERAR_UNKNOWN);
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    EXPECT_STREQ(h.FileName, "c");
    EXPECT_EQ(a.process(RAR_TEST), ERAR_SUCCESS);
    EXPECT_EQ(a.next(h), ERAR_END_ARCHIVE);
    EXPECT_EQ(a.next(h), ERAR_END_ARCHIVE);
    EXPECT_EQ(RARGetDllVersion(), 5);
}

TEST_F(Extract, CreatesDirectoryEntries) {
    const auto path =
        archive(ArchiveBuilder().add(directoryEntry("empty\\dir")).add(directoryEntry("named")));
    OpenArchive a(path, RAR_OM_EXTRACT);
    RARHeaderDataEx h{};
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    EXPECT_EQ(h.Flags & 0xE0, 0xE0u);
    ASSERT_EQ(a.process(RAR_EXTRACT, out().string()), ERAR_SUCCESS);
    EXPECT_TRUE(fs::is_directory(out() / "empty" / "dir"));
    ASSERT_EQ(a.next(h), ERAR_SUCCESS);
    ASSERT_EQ(a.process(RAR_EXTRACT, {}, (dir.path() / "chosen").string()), ERAR_SUCCESS);
    EXPECT_TRUE(fs::is_directory(dir.path() / "chosen"));
}

} // namespace
} // namespace rarlib::test
