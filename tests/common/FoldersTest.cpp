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

// The names the installer joins to its folders pass by the extraction library's rule: every name of the
// demo payload and its list, and nothing that leaves the folder or names something other than a file.
TEST(Folders, StaysInsideFolderFollowsTheLibrarysRule) {
    const struct {
        std::wstring name;
        bool inside;
    } cases[] = {
        {L"Orvan.exe", true},
        {L"ZarvoKernel.tlb", true},
        {L"Настройки.ini", true},
        {L"Orvan", true}, // a list line is a prefix, not always a whole name
        {L"Dist\\Orvan.exe", true},
        {L"sub/dir\\file.txt", true},
        {L"with space\\long fn.txt", true},
        {L"..name", true},
        {L"console.txt", true},
        {L"", false},
        {L"..", false},
        {L"..\\escaped.txt", false},
        {L"Dist\\..\\..\\escaped.txt", false},
        {L".\\file.txt", false},
        {L"\\rooted.txt", false},
        {L"/rooted.txt", false},
        {L"C:escaped.txt", false},
        {L"C:\\Windows\\escaped.dll", false},
        {L"\\\\server\\share\\escaped.txt", false},
        {L"\\\\?\\C:\\escaped.txt", false},
        {L"file.txt:stream", false},
        {L"doubled\\\\separator", false},
        {L"folder\\", false},
        {L"trailing.", false},
        {L"trailing \\file.txt", false},
        {L"CON", false},
        {L"nul.txt", false},
        {L"Dist\\com1.log", false},
        {L"what?.txt", false},
        {L"star*.txt", false},
        {L"pipe|name", false},
        {L"tab\there", false},
        {std::wstring(L"lone") + wchar_t(0xD800) + L"surrogate", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StaysInsideFolder(c.name), c.inside) << "index " << (&c - cases);
}
