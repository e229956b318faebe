#include "archive/ArchiveExtract.h"
#include "archive/UnRAR.h"
#include "common/SetupError.h"
#include "tests/support/StoredRar.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace zarvo;
using zarvo::testing::PathExists;
using zarvo::testing::ProgramFolder;
using zarvo::testing::ReadBinaryFile;
using zarvo::testing::StoredRar;
using zarvo::testing::TempFolder;
using zarvo::testing::WriteTextFile;

namespace {

// The names (not paths) of the files and folders in a folder, sorted.
std::vector<std::wstring> Listing(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

using Names = std::vector<std::wstring>;

// A payload laid out like the real one, with a Cyrillic name (CP866 "Справка.txt").
const std::string kHelpName = "\x91\xaf\xe0\xa0\xa2\xaa\xa0.txt";

class ArchiveExtract : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(LoadRarLibrary(ProgramFolder() + L"\\Unrar.dll")); }
    static void TearDownTestSuite() { FreeRarLibrary(); }

    void SetUp() override {
        archive_ = work_ / L"SetupZarvo.rar";
        StoredRar rar;
        rar.Add("RTW32.dll", "runtime")
            .Add("Dist.lst", "Orvan.exe\r\nOrvan.ini\r\n" + kHelpName + "\r\n")
            .Add("Dist\\Orvan.exe", "program")
            .Add("Dist\\Orvan.ini", "[settings]")
            .Add("Dist\\" + kHelpName, "help")
            .Add("Dist.lst", "second entry of the same name");
        ASSERT_TRUE(WriteTextFile(archive_, rar.Bytes()));
        target_ = work_ / L"target";
        CreateDirectoryW(target_.c_str(), nullptr);
    }
    void TearDown() override { SetCurrentDirectoryW(ProgramFolder().c_str()); }

    TempFolder work_;
    std::wstring archive_, target_;
};

} // namespace

TEST_F(ArchiveExtract, OneEntryByItsWholeNameInAnyCaseUnderItsStoredName) {
    ASSERT_TRUE(ExtractArchiveFile(archive_, target_, L"DIST.LST"));
    EXPECT_EQ(Listing(target_), Names{L"Dist.lst"});
    // The first entry of that name wins.
    EXPECT_EQ(ReadBinaryFile(target_ + L"\\Dist.lst"), "Orvan.exe\r\nOrvan.ini\r\n" + kHelpName + "\r\n");

    // A trailing backslash on the folder changes nothing.
    ASSERT_TRUE(ExtractArchiveFile(archive_, target_ + L"\\", L"rtw32.DLL"));
    EXPECT_EQ(ReadBinaryFile(target_ + L"\\RTW32.dll"), "runtime");
}

TEST_F(ArchiveExtract, OneEntryNeedsTheWholeStoredName) {
    EXPECT_FALSE(ExtractArchiveFile(archive_, target_, L"Orvan.exe"));
    EXPECT_FALSE(ExtractArchiveFile(archive_, target_, L"Dist"));
    EXPECT_TRUE(Listing(target_).empty());
    ASSERT_TRUE(ExtractArchiveFile(archive_, target_, L"Dist\\справка.TXT"));
    EXPECT_EQ(ReadBinaryFile(target_ + L"\\Dist\\Справка.txt"), "help");
}

TEST_F(ArchiveExtract, FolderEntriesMatchByTheBeginningOfTheName) {
    ASSERT_TRUE(ExtractArchiveFolder(archive_, L"Orvan.exe", target_, L"Dist"));
    EXPECT_EQ(Listing(target_), Names{L"Orvan.exe"});
    EXPECT_EQ(ReadBinaryFile(target_ + L"\\Orvan.exe"), "program");

    ASSERT_TRUE(ExtractArchiveFolder(archive_, L"orvan", target_, L"Dist\\"));
    EXPECT_EQ(Listing(target_), (Names{L"Orvan.exe", L"Orvan.ini"}));

    // The current folder is left at the target.
    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    EXPECT_EQ(std::wstring(current), target_);
}

TEST_F(ArchiveExtract, AnEmptyPrefixTakesTheWholeBaseFolderAndNoRootEntry) {
    ASSERT_TRUE(ExtractArchiveFolder(archive_, L"", target_, L"Dist"));
    EXPECT_EQ(Listing(target_), (Names{L"Orvan.exe", L"Orvan.ini", L"Справка.txt"}));
}

TEST_F(ArchiveExtract, WithoutABaseFolderNamesAreKeptWhole) {
    ASSERT_TRUE(ExtractArchiveFolder(archive_, L"Dist", target_, L""));
    EXPECT_EQ(Listing(target_), (Names{L"Dist", L"Dist.lst"}));
    EXPECT_EQ(Listing(target_ + L"\\Dist"), (Names{L"Orvan.exe", L"Orvan.ini", L"Справка.txt"}));
    // The last entry of the walk wins for a repeated name.
    EXPECT_EQ(ReadBinaryFile(target_ + L"\\Dist.lst"), "second entry of the same name");
}

TEST_F(ArchiveExtract, BothEmptyIsRefusedWithoutOpeningTheArchive) {
    // Opening would have matched every entry.
    EXPECT_FALSE(ExtractArchiveFolder(archive_, L"", target_, L""));
    EXPECT_TRUE(Listing(target_).empty());
}

TEST_F(ArchiveExtract, CyrillicNamesMatchThroughTheirAnsiFormAndKeepTheirName) {
    ASSERT_TRUE(ExtractArchiveFolder(archive_, L"СПРАВКА", target_, L"Dist"));
    EXPECT_EQ(Listing(target_), Names{L"Справка.txt"});

    std::wstring cyrillicTemp = work_ / L"Временные файлы";
    ASSERT_TRUE(CreateDirectoryW(cyrillicTemp.c_str(), nullptr));
    ASSERT_TRUE(ExtractArchiveFile(archive_, cyrillicTemp, L"Dist.lst"));
    EXPECT_EQ(Listing(cyrillicTemp), Names{L"Dist.lst"});
}

TEST_F(ArchiveExtract, AnExistingFileIsReplaced) {
    ASSERT_TRUE(WriteTextFile(target_ + L"\\Orvan.exe", std::string(5000, 'o')));
    ASSERT_TRUE(ExtractArchiveFolder(archive_, L"Orvan.exe", target_, L"Dist"));
    EXPECT_EQ(ReadBinaryFile(target_ + L"\\Orvan.exe"), "program");
}

TEST_F(ArchiveExtract, NoMatchMissingOrDamagedArchivesFail) {
    EXPECT_FALSE(ExtractArchiveFolder(archive_, L"Tornel", target_, L"Dist"));
    EXPECT_FALSE(ExtractArchiveFile(work_ / L"missing.rar", target_, L"Dist.lst"));
    EXPECT_FALSE(ExtractArchiveFolder(work_ / L"missing.rar", L"Orvan", target_, L"Dist"));

    std::string bytes = ReadBinaryFile(archive_);
    bytes[bytes.find("program")] ^= 0x20; // data no longer matches its CRC
    std::wstring damaged = work_ / L"damaged.rar";
    ASSERT_TRUE(WriteTextFile(damaged, bytes));
    EXPECT_FALSE(ExtractArchiveFolder(damaged, L"Orvan.exe", target_, L"Dist"));
    EXPECT_FALSE(ExtractArchiveFile(damaged, target_, L"Dist\\Orvan.exe"));
    EXPECT_TRUE(ExtractArchiveFile(damaged, target_, L"Dist.lst"));
}

// The folder's failure comes back with the system's own text, and only once an entry matches: a line
// that matches nothing leaves the current folder alone.
TEST_F(ArchiveExtract, AMissingTargetFolderComesBackWithTheSystemsText) {
    const std::wstring missing = work_ / L"no-such-folder";
    TFolderExtraction result = ExtractArchiveFolder(archive_, L"Orvan", missing, L"Dist");
    EXPECT_FALSE(result);
    SetLastError(0);
    EXPECT_FALSE(SetCurrentDirectoryW(missing.c_str()));
    const DWORD code = GetLastError();
    EXPECT_TRUE(result.folderFailed);
    EXPECT_EQ(result.failure.code, code);
    EXPECT_EQ(result.failure.text, SystemErrorText(code));
    EXPECT_FALSE(PathExists(missing));

    TFolderExtraction nothing = ExtractArchiveFolder(archive_, L"Tornel", missing, L"Dist");
    EXPECT_FALSE(nothing);
    EXPECT_FALSE(nothing.folderFailed);

    TFolderExtraction found = ExtractArchiveFolder(archive_, L"Orvan", target_, L"Dist");
    EXPECT_TRUE(found);
    EXPECT_FALSE(found.folderFailed);
}

TEST_F(ArchiveExtract, NamesThatWouldLeaveTheTargetFolderAreNotExtracted) {
    std::wstring hostile = work_ / L"hostile.rar";
    StoredRar rar;
    rar.Add("Dist\\..\\..\\escaped.txt", "x")
        .Add("..\\escaped.txt", "x")
        .Add("Dist\\C:\\escaped.txt", "x")
        .Add("Dist\\\\\\server\\share\\escaped.txt", "x")
        .Add("Dist\\good.txt:stream", "x")
        .Add("Dist\\good.txt", "good");
    ASSERT_TRUE(WriteTextFile(hostile, rar.Bytes()));

    std::wstring nested = target_ + L"\\inner";
    ASSERT_TRUE(CreateDirectoryW(nested.c_str(), nullptr));
    EXPECT_FALSE(ExtractArchiveFolder(hostile, L"", nested, L"Dist"));
    EXPECT_FALSE(ExtractArchiveFile(hostile, nested, L"..\\escaped.txt"));
    EXPECT_FALSE(ExtractArchiveFolder(hostile, L"..", nested, L""));
    EXPECT_FALSE(ExtractArchiveFolder(hostile, L"C:", nested, L"Dist"));
    EXPECT_FALSE(ExtractArchiveFolder(hostile, L"\\", nested, L"Dist"));
    EXPECT_FALSE(ExtractArchiveFolder(hostile, L"good.txt:", nested, L"Dist"));
    EXPECT_EQ(Listing(target_), Names{L"inner"});
    EXPECT_TRUE(Listing(nested).empty());
    EXPECT_FALSE(PathExists(work_ / L"escaped.txt"));

    // The sound entry after them is still reachable by its whole name.
    EXPECT_TRUE(ExtractArchiveFile(hostile, nested, L"Dist\\good.txt"));
    EXPECT_EQ(ReadBinaryFile(nested + L"\\Dist\\good.txt"), "good");
}
