// Start-up of the form in this process: the files it writes, the list it loads, the first page it
// chooses from the installation state and the command line, and a failing start.

#include "AppTestSupport.h"

#include "engine/StartupFiles.h"
#include "common/CommonUtils.h"
#include "common/PathText.h"
#include "common/SetupError.h"
#include "tests/support/Links.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <optional>

using namespace zarvo;
using namespace zarvo::testing;
using enum TControlId;

namespace {

// The executable's date the way a person reads it off the file: local time, DD.MM.YYYY.
std::wstring OwnFileDate() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    GetFileAttributesExW(self, GetFileExInfoStandard, &data);
    FILETIME local;
    SYSTEMTIME time;
    FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
    FileTimeToSystemTime(&local, &time);
    wchar_t text[16];
    swprintf(text, 16, L"%02d.%02d.%04d", time.wDay, time.wMonth, time.wYear);
    return text;
}

bool HasVisibleStyle(HWND window) {
    return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

class Startup : public FormTest {};

} // namespace

TEST_F(Startup, ACleanStartWritesTheThreeFilesLoadsTheListAndOpensTheWelcomePage) {
    std::unique_ptr<TMainForm> form = CreateForm();
    ASSERT_TRUE(form);
    EXPECT_TRUE(boxes->Shown().empty());
    EXPECT_EQ(MainForm, form.get());

    // Both resources are written whole; the list comes out of the archive.
    EXPECT_EQ(ReadBinaryFile(*temp / L"Unrar.dll"), ResourceBytes(L"UNRAR_DLL"));
    EXPECT_EQ(ReadBinaryFile(*temp / L"SetupZarvo.rar"), ResourceBytes(L"SETUPZARVO_RAR"));
    EXPECT_TRUE(PathExists(*temp / L"Dist.lst"));
    // What is used are the session's own copies in a new folder below the system's temporary folder,
    // which the user's programs cannot redirect.
    wchar_t windows[MAX_PATH];
    GetSystemWindowsDirectoryW(windows, MAX_PATH);
    const std::wstring own = ParentFolder(form->Session().ArchivePath);
    EXPECT_TRUE(own.starts_with(JoinPath(windows, L"Temp\\ZarvoSetup-"))) << WideToUtf8(own);
    EXPECT_EQ(ReadBinaryFile(JoinPath(own, L"SetupZarvo.rar")), ResourceBytes(L"SETUPZARVO_RAR"));
    EXPECT_NE(GetModuleHandleW(JoinPath(own, L"Unrar.dll").c_str()), nullptr) << "the library is bound";
    EXPECT_EQ(GetModuleHandleW((*temp / L"Unrar.dll").c_str()), nullptr);

    // The payload lists exactly the product folder it was packed from, Cyrillic names included.
    std::wstring productFolder = WinePath(ZARVO_PAYLOAD_PRODUCT_DIR);
    if (std::string(ZARVO_PAYLOAD_PRODUCT_DIR).empty()) {
        EXPECT_FALSE(form->Session().DistList.empty());
    } else {
        std::vector<std::wstring> listed = form->Session().DistList;
        std::sort(listed.begin(), listed.end());
        EXPECT_EQ(listed, FilesIn(productFolder));
    }

    EXPECT_EQ(form->CurrentPage(), SheetNew);
    EXPECT_TRUE(HasVisibleStyle(form->Control(SheetNew)));
    for (TControlId other : {SheetAlready, SheetPath, SheetStatus})
        EXPECT_FALSE(HasVisibleStyle(form->Control(other)));
    EXPECT_FALSE(IsWindowEnabled(form->Control(BackButton)));
    EXPECT_TRUE(IsWindowEnabled(form->Control(ForwardButton)));
    EXPECT_TRUE(IsWindowEnabled(form->Control(CancelButton)));
    EXPECT_EQ(TextOf(form->Handle()), L"Установка Zarvo");
    EXPECT_FALSE(form->Session().AutoMode);

    EXPECT_EQ(TextOf(form->Control(lDate)), OwnFileDate());
    EXPECT_EQ(TextOf(form->Control(lDescription)), L"Демонстрационная версия");
    EXPECT_TRUE(HasVisibleStyle(form->Control(cbAutoReinstall)));
    EXPECT_TRUE(HasVisibleStyle(form->Control(cbNewAutoReinstall)));

    wchar_t programFiles[MAX_PATH];
    ASSERT_EQ(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, programFiles),
              S_OK);
    EXPECT_EQ(form->Session().ProgramFilesPath, WithoutTrailingBackslashes(programFiles));
    EXPECT_EQ(form->Session().InstallPath, L"");

    ShowForm(*form);
    EXPECT_FALSE(SaveScreenshot(form->Handle(), L"SheetNew").empty());

    // Destroying the form frees the list and the library; the files stay for the next start.
    form.reset();
    EXPECT_EQ(MainForm, nullptr);
    EXPECT_EQ(GetModuleHandleW(JoinPath(own, L"Unrar.dll").c_str()), nullptr);
    EXPECT_FALSE(PathExists(own));
    for (const wchar_t* name : {L"Unrar.dll", L"SetupZarvo.rar", L"Dist.lst"})
        EXPECT_TRUE(PathExists(*temp / name)) << name;
}

namespace {

struct StateCase {
    const char* name;
    std::optional<std::wstring> progPath{};
    bool progPathIsNumber = false;
    std::optional<DWORD> autoReinstall{};
    const wchar_t* arguments = L"";
    TControlId page = SheetNew;
    bool checked = false;
};

} // namespace

TEST_F(Startup, TheFirstPageFollowsTheInstallationStateAndTheFirstArgument) {
    const StateCase cases[] = {
        {.name = "nothing stored"},
        {.name = "not installed ignores /auto", .arguments = L"/auto"},
        {.name = "empty ProgPath is not installed", .progPath = L"", .arguments = L"/auto"},
        {.name = "a ProgPath that is no string is not installed and skips AutoReinstall",
         .progPath = L"",
         .progPathIsNumber = true,
         .autoReinstall = 1},
        {.name = "AutoReinstall is read when not installed", .autoReinstall = 1, .checked = true},
        {.name = "installed", .progPath = L"C:\\Zarvo", .page = SheetAlready},
        {.name = "installed, AutoReinstall 1",
         .progPath = L"C:\\Zarvo",
         .autoReinstall = 1,
         .page = SheetAlready,
         .checked = true},
        {.name = "installed, AutoReinstall 0",
         .progPath = L"C:\\Zarvo",
         .autoReinstall = 0,
         .page = SheetAlready},
        {.name = "installed, AutoReinstall 7 is true",
         .progPath = L"C:\\Zarvo",
         .autoReinstall = 7,
         .page = SheetAlready,
         .checked = true},
        {.name = "installed, /auto",
         .progPath = L"D:\\Программы\\Zarvo",
         .arguments = L"/auto",
         .page = SheetStatus},
        {.name = "installed, /Auto with more arguments",
         .progPath = L"C:\\Zarvo",
         .arguments = L"/Auto /x",
         .page = SheetStatus},
        {.name = "installed, /auto second",
         .progPath = L"C:\\Zarvo",
         .arguments = L"/x /auto",
         .page = SheetAlready},
    };
    for (const StateCase& c : cases) {
        SCOPED_TRACE(c.name);
        TInstallState::Clear();
        if (c.progPath && c.progPathIsNumber)
            state->SetProgPathDword(5);
        else if (c.progPath)
            state->SetProgPath(*c.progPath);
        if (c.autoReinstall)
            state->SetAutoReinstall(*c.autoReinstall);
        std::unique_ptr<TMainForm> form = CreateForm(c.arguments);
        ASSERT_TRUE(form);
        EXPECT_EQ(form->CurrentPage(), c.page);
        bool installed = c.page != SheetNew;
        EXPECT_EQ(form->Session().InstallPath, installed ? *c.progPath : L"");
        EXPECT_EQ(form->Session().AutoReinstallFlag, c.checked);
        EXPECT_EQ(SendMessageW(form->Control(cbAutoReinstall), BM_GETCHECK, 0, 0),
                  c.checked ? BST_CHECKED : BST_UNCHECKED);
        EXPECT_EQ(SendMessageW(form->Control(cbNewAutoReinstall), BM_GETCHECK, 0, 0), BST_UNCHECKED);

        bool automatic = c.page == SheetStatus;
        EXPECT_EQ(form->Session().AutoMode, automatic);
        EXPECT_EQ(TextOf(form->Handle()),
                  automatic ? L"Автоматическая переустановка Zarvo" : L"Установка Zarvo");
        EXPECT_FALSE(IsWindowEnabled(form->Control(BackButton)));
        EXPECT_EQ(IsWindowEnabled(form->Control(ForwardButton)) != FALSE, c.page == SheetNew);
        EXPECT_EQ(IsWindowEnabled(form->Control(CancelButton)) != FALSE, !automatic);
        EXPECT_TRUE(boxes->Shown().empty());
    }
}

TEST_F(Startup, TheMaintenancePageStartsWithTheFocusOnRestore) {
    state->SetProgPath(L"C:\\Zarvo");
    std::unique_ptr<TMainForm> form = CreateForm();
    ASSERT_TRUE(form);
    EXPECT_EQ(form->ActiveControl(), form->Control(RestoreButton));
    ShowForm(*form);
    EXPECT_EQ(GetFocus(), form->Control(RestoreButton));
    EXPECT_FALSE(SaveScreenshot(form->Handle(), L"SheetAlready").empty());
}

TEST_F(Startup, TheUnattendedStartShowsTheStatusPageWithEveryButtonOff) {
    state->SetProgPath(L"C:\\Zarvo");
    state->SetAutoReinstall(1);
    std::unique_ptr<TMainForm> form = CreateForm(L"/auto");
    ASSERT_TRUE(form);
    // Shown without activation, which would start the reinstall.
    ShowWindow(form->Handle(), SW_SHOWNOACTIVATE);
    PumpFor(100);
    EXPECT_EQ(form->CurrentPage(), SheetStatus);
    EXPECT_TRUE(IsWindowVisible(form->Control(SheetStatus)));
    EXPECT_FALSE(SaveScreenshot(form->Handle(), L"SheetStatus-unattended").empty());
}

TEST_F(Startup, ALibraryFileThatCannotBeReplacedEndsTheStartWithOneBox) {
    ASSERT_TRUE(WriteTextFile(*temp / L"Unrar.dll", "in use"));
    HANDLE holder =
        CreateFileW((*temp / L"Unrar.dll").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    std::unique_ptr<TMainForm> form = CreateForm();
    CloseHandle(holder);

    EXPECT_FALSE(form);
    EXPECT_EQ(MainForm, nullptr);
    EXPECT_EQ(FindWindowW(MainFormClassName, nullptr), nullptr) << "the form is gone again";
    ASSERT_EQ(boxes->Shown().size(), 1u);
    EXPECT_EQ(boxes->Shown()[0].text, L"Невозможно извлечь Unrar.dll в " + temp->Folder());
    EXPECT_EQ(boxes->Shown()[0].caption, L"Ошибка запуска установки");
    EXPECT_EQ(boxes->Shown()[0].flags, UINT(MB_OK | MB_ICONERROR));
    EXPECT_EQ(ReadBinaryFile(*temp / L"Unrar.dll"), "in use");
    EXPECT_FALSE(PathExists(*temp / L"SetupZarvo.rar"));
}

// The files in the temporary folder are held from their writing on: another process cannot change them.
// The session's own copies are closed for the loader; one changed before it is verified ends the start.
TEST_F(Startup, AStartUpFileCannotBeChangedBeforeItIsUsed) {
    for (const wchar_t* name : {L"Unrar.dll", L"SetupZarvo.rar", L"Dist.lst"}) {
        SCOPED_TRACE(WideToUtf8(name));
        boxes->Shown().clear();
        bool tempChanged = false;
        system.onStartupFile = [&](const std::wstring& fileName) {
            if (FileNameOf(fileName) != name)
                return;
            if (fileName == *temp / name) {
                tempChanged = WriteTextFile(fileName, "changed");
                return;
            }
            std::string bytes = ReadBinaryFile(fileName);
            bytes[bytes.size() / 2] ^= 1;
            WriteTextFile(fileName, bytes);
        };
        std::unique_ptr<TMainForm> form = CreateForm();
        system.onStartupFile = nullptr;
        EXPECT_FALSE(tempChanged);
        EXPECT_FALSE(form);
        ASSERT_EQ(boxes->Shown().size(), 1u);
        EXPECT_EQ(boxes->Shown()[0].text,
                  L"Невозможно извлечь " + std::wstring(name) + L" в " + temp->Folder());
        EXPECT_EQ(boxes->Shown()[0].caption, L"Ошибка запуска установки");
    }
}

// A link put where a start-up file goes, to a file of the attacker's choosing, is neither written through
// nor used: the start ends and the other file stays as it was.
TEST_F(Startup, AStartUpFileThatIsALinkIsRefusedAndWhatItLeadsToKept) {
    const std::wstring victim = *temp / L"victim.bin";
    for (const wchar_t* name : {L"Unrar.dll", L"SetupZarvo.rar", L"Dist.lst"}) {
        for (bool hardLink : {false, true}) {
            SCOPED_TRACE(WideToUtf8(name) + (hardLink ? " hard link" : " symbolic link"));
            boxes->Shown().clear();
            const std::wstring link = *temp / name;
            RemoveSymbolicLink(link);
            ASSERT_TRUE(WriteTextFile(victim, "victim"));
            ASSERT_TRUE(hardLink ? CreateHardLinkW(link.c_str(), victim.c_str(), nullptr) != 0
                                 : MakeSymbolicLink(victim, link));
            std::unique_ptr<TMainForm> form = CreateForm();
            EXPECT_FALSE(form);
            ASSERT_EQ(boxes->Shown().size(), 1u);
            EXPECT_EQ(boxes->Shown()[0].text,
                      L"Невозможно извлечь " + std::wstring(name) + L" в " + temp->Folder());
            EXPECT_EQ(ReadBinaryFile(victim), "victim");
            RemoveSymbolicLink(link);
        }
    }
}
