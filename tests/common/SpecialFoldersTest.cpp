#include "common/CommonUtils.h"
#include "common/Registry.h"
#include "common/SetupError.h"
#include "tests/support/RegistryValueOverride.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

using namespace zarvo;

TEST(SpecialFolders, ProgramFilesComesFromTheShellAndMatchesTheRegistry) {
    std::wstring programFiles = GetSpecialFolderPath(CSIDL_PROGRAM_FILES);
    ASSERT_FALSE(programFiles.empty());
    EXPECT_TRUE(zarvo::testing::PathExists(programFiles));
    EXPECT_EQ(programFiles, ReadProgramFilesDirFromRegistry());
}

TEST(SpecialFolders, AllUsersDesktopAndStartMenuAreFileSystemFolders) {
    for (int csidl : {CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_STARTMENU}) {
        std::wstring folder = GetSpecialFolderPath(csidl);
        ASSERT_FALSE(folder.empty()) << csidl;
        EXPECT_NE(folder.back(), L'\\');
        EXPECT_TRUE(zarvo::testing::PathExists(folder)) << csidl;
    }
    // A virtual folder has no path, and no fallback applies to it.
    EXPECT_EQ(GetSpecialFolderPath(CSIDL_CONTROLS), L"");
}

TEST(SpecialFolders, RegistryFallbackReadsProgramFilesDirAndRaisesOnAWrongType) {
    zarvo::testing::TRegistryValueOverride override(
        HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion", L"ProgramFilesDir");
    const wchar_t value[] = L"D:\\Программы";
    override.Set(REG_SZ, value, sizeof(value));
    EXPECT_EQ(ReadProgramFilesDirFromRegistry(), value);

    override.Remove();
    EXPECT_EQ(ReadProgramFilesDirFromRegistry(), L"");

    DWORD number = 38;
    override.Set(REG_DWORD, &number, sizeof(number));
    try {
        ReadProgramFilesDirFromRegistry();
        ADD_FAILURE() << "no error raised";
    } catch (const ESetupError& error) {
        EXPECT_EQ(error.Message(), L"Неверный тип данных значения 'ProgramFilesDir'");
    }
    // The shortcut folders never consult the registry, even when its value would raise.
    EXPECT_NO_THROW(GetSpecialFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY));
    EXPECT_NO_THROW(GetSpecialFolderPath(CSIDL_COMMON_STARTMENU));
}

TEST(SpecialFolders, ItemIDListsAreConvertedAndFreedThroughTheShellAllocator) {
    LPITEMIDLIST list = nullptr;
    EXPECT_TRUE(FreeItemIDList(list));

    ASSERT_GE(SHGetSpecialFolderLocation(nullptr, CSIDL_COMMON_STARTMENU, &list), 0);
    EXPECT_EQ(ItemIDListPath(list), GetSpecialFolderPath(CSIDL_COMMON_STARTMENU));
    EXPECT_TRUE(FreeItemIDList(list));
    EXPECT_EQ(list, nullptr);

    EXPECT_EQ(ItemIDListPath(nullptr), L"");
}
