#include "common/CommonUtils.h"
#include "common/SetupError.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

using namespace zarvo;
using zarvo::testing::TempFolder;

namespace {

std::wstring SelfPath() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::wstring SiblingPath(const std::wstring& name) {
    return zarvo::testing::ProgramFolder() + L"\\" + name;
}

// Sets a file's last-write time from a local calendar time.
void SetLocalWriteTime(const std::wstring& path, WORD year, WORD month, WORD day, WORD hour, WORD minute,
                       WORD second) {
    SYSTEMTIME local{year, month, 0, day, hour, minute, second, 0};
    FILETIME localTime, utc;
    ASSERT_TRUE(SystemTimeToFileTime(&local, &localTime));
    ASSERT_TRUE(LocalFileTimeToFileTime(&localTime, &utc));
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &utc));
    CloseHandle(file);
}

} // namespace

TEST(FileInfo, MissingFilesAndFoldersHaveNoDateAndNoWriteTime) {
    TempFolder folder;
    EXPECT_EQ(GetFileDate(folder / L"missing.txt"), 0.0);
    EXPECT_EQ(GetFileWriteTime(folder / L"missing.txt"), 0);
    EXPECT_EQ(GetFileDate(folder.Path()), 0.0);
    EXPECT_EQ(GetFileWriteTime(folder.Path()), 0);
    // Date 0 is shown as 30.12.1899.
    EXPECT_EQ(FormatShortDate(0), L"30.12.1899");
}

TEST(FileInfo, DateIsLocalAtTwoSecondsAndWriteTimeIsTheStoredUtcValue) {
    TempFolder folder;
    std::wstring path = folder / L"Справка.txt";
    ASSERT_TRUE(zarvo::testing::WriteTextFile(path, "x"));
    SetLocalWriteTime(path, 2005, 4, 8, 13, 45, 31);

    // 8 April 2005 is day 38450; 13:45:30 (odd seconds round down in DOS time) is its fraction.
    double expected = 38450 + (13 * 3600 + 45 * 60 + 30) / 86400.0;
    EXPECT_NEAR(GetFileDate(path), expected, 1e-9);
    EXPECT_EQ(FormatShortDate(GetFileDate(path)), L"08.04.2005");

    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
    int64_t stored =
        int64_t((uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime);
    EXPECT_EQ(GetFileWriteTime(path), stored);
}

TEST(FileInfo, WriteTimeReadsAFileOthersHaveOpenForWriting) {
    TempFolder folder;
    std::wstring path = folder / L"busy.bin";
    ASSERT_TRUE(zarvo::testing::WriteTextFile(path, "x"));
    HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_NE(GetFileWriteTime(path), 0);
    CloseHandle(writer);
}

TEST(FileInfo, WriteTimeOfAFileThatCannotBeOpenedRaisesWithTheFileName) {
    TempFolder folder;
    std::wstring path = folder / L"locked.bin";
    ASSERT_TRUE(zarvo::testing::WriteTextFile(path, "x"));
    HANDLE locked = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    try {
        GetFileWriteTime(path);
        ADD_FAILURE() << "no error raised";
    } catch (const ESetupError& error) {
        EXPECT_EQ(error.Message().rfind(L"Невозможно открыть файл \"" + path + L"\". ", 0), 0u);
    }
    CloseHandle(locked);
}

TEST(FileInfo, VersionIsReadFromTheFixedBlockOrLeftUntouched) {
    uint16_t major = 7, minor = 7, release = 7, build = 7;
    ASSERT_TRUE(ReadFileVersion(SelfPath(), major, minor, release, build));
    EXPECT_EQ(major, 1);
    EXPECT_EQ(minor, 2);
    EXPECT_EQ(release, 0);
    EXPECT_EQ(build, 15);

    major = minor = release = build = 7;
    std::wstring probe = SiblingPath(L"no_version_probe.exe");
    ASSERT_TRUE(zarvo::testing::PathExists(probe));
    EXPECT_FALSE(ReadFileVersion(probe, major, minor, release, build));
    EXPECT_FALSE(ReadFileVersion(probe + L".missing", major, minor, release, build));
    EXPECT_EQ(major + minor + release + build, 28);
}

TEST(FileInfo, VersionTextsComeFromTheFirstTranslation) {
    const std::wstring probe = SiblingPath(L"no_version_probe.exe");
    struct {
        std::wstring file, name, text;
    } const cases[] = {
        {SelfPath(), L"FileDescription", L"Тесты общего модуля"},
        {SelfPath(), L"FileVersion", L"1.2.0.15"},
        {SelfPath(), L"CompanyName", L""}, // not in the block
        {probe, L"FileVersion", L""},      // no block at all
        {probe + L".missing", L"FileVersion", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadVersionString(c.file, c.name), c.text) << WideToUtf8(c.file + L" " + c.name);
}

TEST(FileInfo, ModuleVersionTextNamesTheVersionAndTheFileDate) {
    TempFolder folder;
    std::wstring copy = folder / L"SetupZarvo.exe";
    ASSERT_TRUE(CopyFileW(SelfPath().c_str(), copy.c_str(), FALSE));
    SetLocalWriteTime(copy, 2005, 4, 8, 10, 0, 0);
    EXPECT_EQ(BuildModuleVersionText(copy), L"версия 1.2.0.15 от 08.04.2005");
    EXPECT_EQ(BuildModuleVersionText(SiblingPath(L"no_version_probe.exe")),
              L"Информация о версии отсутствует");
}
