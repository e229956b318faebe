#include "common/CommonUtils.h"
#include "common/Registry.h"
#include "common/SetupError.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

using namespace zarvo;

namespace {

const wchar_t* const kCurrentVersion = L"Software\\Microsoft\\Windows\\CurrentVersion";

// Replaces ProgramFilesDir for one test and puts the original back afterwards.
class ProgramFilesDirOverride {
public:
    ProgramFilesDirOverride() {
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, kCurrentVersion, 0, KEY_ALL_ACCESS, &key_);
        size_ = sizeof(saved_);
        had_ = RegQueryValueExW(key_, L"ProgramFilesDir", nullptr, &type_, saved_, &size_) == ERROR_SUCCESS;
    }
    ~ProgramFilesDirOverride() {
        if (had_)
            RegSetValueExW(key_, L"ProgramFilesDir", 0, type_, saved_, size_);
        else
            RegDeleteValueW(key_, L"ProgramFilesDir");
        RegCloseKey(key_);
    }
    void Set(DWORD type, const void* data, DWORD size) {
        RegSetValueExW(key_, L"ProgramFilesDir", 0, type, static_cast<const BYTE*>(data), size);
    }
    void Remove() { RegDeleteValueW(key_, L"ProgramFilesDir"); }

private:
    HKEY key_ = nullptr;
    BYTE saved_[2048];
    DWORD size_ = 0, type_ = 0;
    bool had_ = false;
};

} // namespace

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
    ProgramFilesDirOverride override;
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
        EXPECT_EQ(error.Message(), L"Invalid data type for 'ProgramFilesDir'");
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
