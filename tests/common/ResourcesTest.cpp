#include "common/CommonUtils.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

using namespace zarvo;
using zarvo::testing::PathExists;
using zarvo::testing::ReadBinaryFile;
using zarvo::testing::TempFolder;
using zarvo::testing::WriteTextFile;

namespace {

std::string ResourceBytes() {
    return zarvo::testing::ResourceBytes(L"TEST_BLOB");
}

} // namespace

TEST(Resources, WritesTheResourceWhateverTheCaseOfItsName) {
    TempFolder folder;
    std::string expected = ResourceBytes();
    ASSERT_GT(expected.size(), 40u);
    for (const wchar_t* name : {L"TEST_BLOB", L"test_blob", L"Test_Blob"}) {
        std::wstring path = folder / (std::wstring(name) + L".bin");
        ASSERT_TRUE(ExtractResourceToFile(name, path)) << name;
        EXPECT_EQ(ReadBinaryFile(path), expected);
    }
}

TEST(Resources, AMissingResourceCreatesNoFile) {
    TempFolder folder;
    EXPECT_FALSE(ExtractResourceToFile(L"SETUPZARVO_RAR", folder / L"SetupZarvo.rar"));
    EXPECT_FALSE(PathExists(folder / L"SetupZarvo.rar"));
}

TEST(Resources, ReplacesTheWholeContentOfAnExistingFile) {
    TempFolder folder;
    std::wstring path = folder / L"Unrar.dll";
    ASSERT_TRUE(WriteTextFile(path, std::string(10000, 'x')));
    ASSERT_TRUE(ExtractResourceToFile(L"TEST_BLOB", path));
    EXPECT_EQ(ReadBinaryFile(path), ResourceBytes());
}

TEST(Resources, FailsOnAReadOnlyFile) {
    TempFolder folder;
    std::wstring readOnly = folder / L"readonly.bin";
    ASSERT_TRUE(WriteTextFile(readOnly, "keep"));
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    // Wine keeps the attribute as Unix permissions, which do not bind the superuser.
    HANDLE probe = CreateFileW(readOnly.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        GTEST_SKIP() << "this file system lets the current user write read-only files";
    }
    EXPECT_FALSE(ExtractResourceToFile(L"TEST_BLOB", readOnly));
    EXPECT_EQ(ReadBinaryFile(readOnly), "keep");
}

TEST(Resources, FailsInAMissingFolderAndOnAFileHeldOpen) {
    TempFolder folder;
    EXPECT_FALSE(ExtractResourceToFile(L"TEST_BLOB", folder / L"no-such-folder\\file.bin"));

    std::wstring held = folder / L"held.bin";
    ASSERT_TRUE(WriteTextFile(held, "held"));
    HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(ExtractResourceToFile(L"TEST_BLOB", held));
    CloseHandle(holder);
    EXPECT_EQ(ReadBinaryFile(held), "held");
}
