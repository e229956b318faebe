// Shortcut files written through the shell's link object and read back through it, in the Wine prefix's
// all-users desktop and Start menu.

#include "SetupTestSupport.h"
#include "common/CommonUtils.h"
#include "setup/SetupUtils.h"
#include "tests/support/RegistryValueOverride.h"

#include <gtest/gtest.h>

#include <objidl.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <fstream>
#include <thread>

using namespace zarvo;
using namespace setuptest;
using Microsoft::WRL::ComPtr;

namespace {

constexpr wchar_t ShortcutName[] = L"Вирдана";
constexpr int CommonDesktop = 25;   // CSIDL_COMMON_DESKTOPDIRECTORY
constexpr int CommonStartMenu = 22; // CSIDL_COMMON_STARTMENU

std::wstring ShortcutFile(int csidl) {
    return GetSpecialFolderPath(csidl) + L"\\" + ShortcutName + L".lnk";
}

struct TLinkProperties {
    std::wstring target, workingFolder, arguments, description, iconLocation;
    int iconIndex = -1, showCommand = -1;
    WORD hotKey = 0xFFFF;
};

// Through the shell, as Explorer would see the file.
bool ReadLink(const std::wstring& path, TLinkProperties& properties) {
    TComInit com;
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(link.GetAddressOf()))) ||
        FAILED(link.As(&file)) || FAILED(file->Load(path.c_str(), STGM_READ)))
        return false;
    wchar_t buffer[MAX_PATH * 2];
    auto text = [&](auto get) {
        buffer[0] = 0;
        get();
        return std::wstring(buffer);
    };
    properties.target = text([&] { link->GetPath(buffer, ARRAYSIZE(buffer), nullptr, SLGP_RAWPATH); });
    properties.workingFolder = text([&] { link->GetWorkingDirectory(buffer, ARRAYSIZE(buffer)); });
    properties.arguments = text([&] { link->GetArguments(buffer, ARRAYSIZE(buffer)); });
    properties.description = text([&] { link->GetDescription(buffer, ARRAYSIZE(buffer)); });
    properties.iconLocation =
        text([&] { link->GetIconLocation(buffer, ARRAYSIZE(buffer), &properties.iconIndex); });
    link->GetShowCmd(&properties.showCommand);
    link->GetHotkey(&properties.hotKey);
    return true;
}

// The show command as the file stores it (offset 60 of the fixed header), or -1.
int StoredShowCommand(const std::wstring& path) {
    zarvo::THandle file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    BYTE bytes[64];
    DWORD read = 0;
    int32_t command = -1;
    if (file && ReadFile(file.Get(), bytes, sizeof(bytes), &read, nullptr) && read == sizeof(bytes) &&
        bytes[0] == 0x4C)
        memcpy(&command, bytes + 60, 4);
    return command;
}

class ShortcutsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(install_.CopyProduct({L"Orvan.exe"}));
        RemoveShortcuts();
    }
    void TearDown() override { RemoveShortcuts(); }
    static void RemoveShortcuts() {
        DeleteFileW(ShortcutFile(CommonDesktop).c_str());
        DeleteFileW(ShortcutFile(CommonStartMenu).c_str());
    }
    std::wstring Target() const { return install_.File(L"Orvan.exe"); }

    TScratchFolder install_{L"C:\\Program Files\\Zarvo Shortcuts"};
};

TEST_F(ShortcutsTest, ProductShortcutsCarryTargetAndWorkingFolderOnly) {
    for (int csidl : {CommonDesktop, CommonStartMenu}) {
        SCOPED_TRACE(csidl);
        CreateShortcut(Target(), install_.Path(), ShortcutName, csidl);

        std::wstring file = ShortcutFile(csidl);
        ASSERT_TRUE(PathExists(file)) << Narrow(file);
        TLinkProperties link;
        ASSERT_TRUE(ReadLink(file, link));
        EXPECT_EQ(link.target, Target());
        EXPECT_EQ(link.workingFolder, install_.Path());
        EXPECT_EQ(link.arguments, L"");
        EXPECT_EQ(link.description, L"");
        EXPECT_EQ(link.iconLocation, L"");
        EXPECT_EQ(link.iconIndex, 0);
        EXPECT_EQ(link.hotKey, 0);
        // The file stores show command 0, which the shell reads as a normal window.
        EXPECT_EQ(link.showCommand, SW_SHOWNORMAL);
        EXPECT_EQ(StoredShowCommand(file), 0);
    }
}

TEST_F(ShortcutsTest, AFolderEndingInABackslashTakesTheShortcutAsWell) {
    const std::wstring rootShortcut = L"C:\\Вирдана.lnk";
    DeleteFileW(rootShortcut.c_str());
    {
        zarvo::testing::TRegistryValueOverride redirect(
            HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
            L"Common Desktop");
        redirect.SetString(L"C:\\");
        ASSERT_EQ(GetSpecialFolderPath(CommonDesktop), L"C:\\");
        CreateShortcut(Target(), install_.Path(), ShortcutName, CommonDesktop);
        EXPECT_TRUE(PathExists(rootShortcut));
        DeleteShortcut(ShortcutName, CommonDesktop);
        EXPECT_FALSE(PathExists(rootShortcut));
    }
    DeleteFileW(rootShortcut.c_str());
    EXPECT_NE(GetSpecialFolderPath(CommonDesktop), L"C:\\") << "the desktop folder is restored";
}

TEST_F(ShortcutsTest, CreatingTwiceLeavesOneFile) {
    std::vector<std::wstring> before = FilesIn(GetSpecialFolderPath(CommonDesktop));
    CreateShortcut(Target(), install_.Path(), ShortcutName, CommonDesktop);
    CreateShortcut(Target(), install_.Path(), ShortcutName, CommonDesktop);

    std::vector<std::wstring> after = FilesIn(GetSpecialFolderPath(CommonDesktop));
    EXPECT_EQ(after.size(), before.size() + 1);
    TLinkProperties link;
    ASSERT_TRUE(ReadLink(ShortcutFile(CommonDesktop), link));
    EXPECT_EQ(link.target, Target());
}

TEST_F(ShortcutsTest, DeletingRemovesOnlyTheShortcutAndAMissingOneChangesNothing) {
    std::wstring folder = GetSpecialFolderPath(CommonStartMenu);
    std::wstring neighbour = folder + L"\\Вирдана.txt";
    std::ofstream(neighbour.c_str()) << "stays";
    std::vector<std::wstring> before = FilesIn(folder);

    DeleteShortcut(ShortcutName, CommonStartMenu);
    EXPECT_EQ(FilesIn(folder), before);

    CreateShortcut(Target(), install_.Path(), ShortcutName, CommonStartMenu);
    ASSERT_TRUE(PathExists(ShortcutFile(CommonStartMenu)));
    DeleteShortcut(ShortcutName, CommonStartMenu);
    EXPECT_FALSE(PathExists(ShortcutFile(CommonStartMenu)));
    EXPECT_EQ(FilesIn(folder), before);
    DeleteFileW(neighbour.c_str());
}

TEST_F(ShortcutsTest, FoldersWithoutAFileSystemPathGetNoShortcut) {
    struct Case {
        int csidl;
        const char* what;
    } cases[] = {{CSIDL_DRIVES, "the computer folder has no path"}, {0x7F, "no such special folder"}};
    TComInit com;
    TShellLink link;
    link.target = Target();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(CreateShellLinkInFolder(link, c.csidl, L"Вирдана.lnk"), E_INVALIDARG);
    }
}

TEST_F(ShortcutsTest, PathsLongerThan259CharactersAreRefused) {
    // A folder short enough to exist, a name long enough to pass the limit.
    TScratchFolder folder(L"C:\\" + std::wstring(200, L'z'));
    TComInit com;
    TShellLink link;
    link.target = Target();
    struct Case {
        size_t length;
        bool written;
    } cases[] = {{259, true}, {260, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        std::wstring name = std::wstring(c.length - folder.Path().size() - 1 - 4, L'я') + L".lnk";
        std::wstring path = folder.File(name);
        ASSERT_EQ(path.size(), c.length);
        HRESULT result = SaveShellLink(link, path);
        if (c.written) {
            EXPECT_EQ(result, S_OK);
            EXPECT_TRUE(PathExists(path));
        } else {
            EXPECT_EQ(result, HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE));
            EXPECT_FALSE(PathExists(path));
        }
    }
}

// Each operation brackets its work with its own COM initialisation: a thread leaves it in the state it
// entered, whether it had no COM, a single-threaded or a multithreaded apartment, and also when the
// operation fails.
TEST_F(ShortcutsTest, TheCallersComStateIsKept) {
    enum class Before { None, Sta, Mta };
    auto apartment = []() -> Before {
        APTTYPE type;
        APTTYPEQUALIFIER qualifier;
        if (FAILED(CoGetApartmentType(&type, &qualifier)))
            return Before::None;
        return type == APTTYPE_MTA ? Before::Mta : Before::Sta;
    };
    std::wstring target = Target(), folder = install_.Path();
    for (Before state : {Before::None, Before::Sta, Before::Mta}) {
        SCOPED_TRACE(int(state));
        Before afterCreate{}, afterFailedCreate{}, afterDelete{};
        bool created = false;
        std::thread([&] {
            if (state != Before::None)
                CoInitializeEx(nullptr,
                               state == Before::Sta ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED);
            CreateShortcut(target, folder, ShortcutName, CommonDesktop);
            afterCreate = apartment();
            created = PathExists(ShortcutFile(CommonDesktop));
            CreateShortcut(target, folder, ShortcutName, 0x7F);
            afterFailedCreate = apartment();
            DeleteShortcut(ShortcutName, CommonDesktop);
            afterDelete = apartment();
            if (state != Before::None)
                CoUninitialize();
        }).join();
        EXPECT_TRUE(created);
        EXPECT_EQ(afterCreate, state);
        EXPECT_EQ(afterFailedCreate, state);
        EXPECT_EQ(afterDelete, state);
        EXPECT_FALSE(PathExists(ShortcutFile(CommonDesktop)));
    }
}

} // namespace
