#include "common/CommonUtils.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

using namespace zarvo;
using zarvo::testing::TempFolder;

TEST(Folders, TempFollowsTheEnvironmentAndBothFoldersEndInOneBackslash) {
    TempFolder base;
    std::wstring folder = base / L"Временная папка";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    wchar_t saved[MAX_PATH + 1];
    DWORD savedLength = GetEnvironmentVariableW(L"TMP", saved, MAX_PATH + 1);
    SetEnvironmentVariableW(L"TMP", folder.c_str());
    std::wstring plain = GetTempFolder();
    SetEnvironmentVariableW(L"TMP", (folder + L"\\").c_str());
    std::wstring withSlash = GetTempFolder();
    SetEnvironmentVariableW(L"TMP", savedLength ? saved : nullptr);
    EXPECT_EQ(plain, folder + L"\\");
    EXPECT_EQ(withSlash, folder + L"\\");

    wchar_t system[MAX_PATH];
    UINT length = GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(GetSystemFolder(), std::wstring(system, length) + L"\\");
}

TEST(Folders, SubstitutedDriveResolvesToItsFolder) {
    TempFolder target;
    const wchar_t* drive = L"S:";
    ASSERT_TRUE(DefineDosDeviceW(0, drive, target.Path().c_str())) << GetLastError();
    std::wstring resolved = ResolveSubstPath(L"S:\\Zarvo\\bin");
    std::wstring bare = ResolveSubstPath(L"S:");
    DefineDosDeviceW(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, drive, target.Path().c_str());
    EXPECT_EQ(resolved, target.Path() + L"\\Zarvo\\bin");
    EXPECT_EQ(bare, target.Path());
}

TEST(Folders, OtherPathsStayUnchanged) {
    for (const wchar_t* path : {L"C:\\Program Files\\Zarvo", L"\\\\server\\share\\dir", L"Zarvo\\bin",
                                L"\\Windows", L"", L"Q:\\not-a-drive"}) {
        EXPECT_EQ(ResolveSubstPath(path), path);
    }
}
