#include "archive/ArchiveExtract.h"
#include "archive/UnRAR.h"
#include "common/CommonUtils.h"
#include "common/SetupError.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace zarvo;
using zarvo::Crc32;
using zarvo::testing::PathExists;
using zarvo::testing::ProgramFolder;
using zarvo::testing::ReadBinaryFile;
using zarvo::testing::TempFolder;
using zarvo::testing::WinePath;

namespace {

class Payload : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(LoadRarLibrary(ProgramFolder() + L"\\Unrar.dll")); }
    static void TearDownTestSuite() { FreeRarLibrary(); }
    void TearDown() override { SetCurrentDirectoryW(ProgramFolder().c_str()); }
    TempFolder work_;
};

} // namespace

// The way the installer reads its payload: Dist.lst first, then each listed file from Dist.
TEST_F(Payload, EveryListedFileOfTheDemoPayloadUnpacks) {
    std::wstring payload = WinePath(ZARVO_DEMO_PAYLOAD);
    ASSERT_TRUE(ExtractArchiveFile(payload, work_.Path(), L"Dist.lst"));
    std::istringstream list(ReadBinaryFile(work_ / L"Dist.lst"));
    std::wstring install = work_ / L"Программы Zarvo";
    ASSERT_TRUE(CreateDirectoryW(install.c_str(), nullptr));
    int files = 0;
    bool sawCyrillic = false;
    for (std::string line; std::getline(list, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::wstring name = OemToAnsi(line);
        EXPECT_TRUE(ExtractArchiveFolder(payload, name, install, L"Dist")) << WideToUtf8(name);
        EXPECT_TRUE(PathExists(install + L"\\" + name)) << WideToUtf8(name);
        sawCyrillic |= name == L"Настройки.ini";
        ++files;
    }
    EXPECT_GE(files, 7);
    EXPECT_TRUE(sawCyrillic);

    std::wstring system = work_ / L"system32";
    ASSERT_TRUE(CreateDirectoryW(system.c_str(), nullptr));
    EXPECT_TRUE(ExtractArchiveFile(payload, system, L"RTW32.dll"));
    EXPECT_TRUE(PathExists(system + L"\\RTW32.dll"));
}

// A real archive made by the RAR archiver, compressed and with folders.
TEST_F(Payload, CompressedEntriesOfARealArchive) {
    std::wstring fixture = WinePath(ZARVO_TESTDATA_RAR "/test_read_format_rar_compress_normal.rar");
    ASSERT_TRUE(ExtractArchiveFile(fixture, work_.Path(), L"TESTDIR\\LibarchiveAddingTest.html"));
    std::string html = ReadBinaryFile(work_ / L"testdir\\LibarchiveAddingTest.html");
    EXPECT_EQ(html.size(), 20111u);
    EXPECT_EQ(Crc32(html), 0x5e05a663u);

    ASSERT_TRUE(ExtractArchiveFolder(fixture, L"test.txt", work_.Path(), L"testdir"));
    EXPECT_EQ(Crc32(ReadBinaryFile(work_ / L"test.txt")), 0xbec8a242u);
}
