// What the user's unelevated programs can change and the elevated wizard must not follow: the program
// associated with the log's file type, and a loader that would search the installer's own folder.

#include "AppTestSupport.h"

#include "common/Libraries.h"
#include "logview/LogView.h"
#include "tests/support/MenuChoice.h"
#include "tests/support/RegistryValueOverride.h"

using namespace zarvo;
using namespace zarvo::testing;

namespace {

class Elevation : public FormTest {};

// Notepad's top-level window with the text in its title; nullptr when there is none.
HWND FindNotepad(const std::wstring& titlePart) {
    for (HWND window = FindWindowW(L"Notepad", nullptr); window != nullptr;
         window = FindWindowExW(nullptr, window, L"Notepad", nullptr))
        if (TextOf(window).find(titlePart) != std::wstring::npos)
            return window;
    return nullptr;
}

void EndProcessOf(HWND window) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    THandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
    if (process && TerminateProcess(process.Get(), 0))
        WaitForSingleObject(process.Get(), 5000);
}

// The program the user associated with the log's type copies the log aside; Wine's HKEY_CLASSES_ROOT is
// the machine's classes only, so the association stands in there for one the user's classes would give.
TEST_F(Elevation, TheJournalOpensInTheSystemsNotepadWhateverTheLogsTypeIsAssociatedWith) {
    const std::wstring log = *temp / L"SetupZarvo.log", copied = *temp / L"copied.log";
    ASSERT_TRUE(WriteTextFile(log, "journal"));
    TRegistryValueOverride type(HKEY_CLASSES_ROOT, L".log", L"");
    type.SetString(L"ZarvoTest.Journal");
    TRegistryValueOverride command(HKEY_CLASSES_ROOT, L"ZarvoTest.Journal\\shell\\open\\command", L"");
    command.SetString(L"\"" + GetSystemFolder() + L"cmd.exe\" /c copy \"%1\" \"" + copied + L"\"");
    const std::wstring savedLog = LogFile();
    SetLogFile(log);
    std::unique_ptr<TMainForm> form = CreateForm();
    ASSERT_TRUE(form);
    ShowForm(*form);
    TLogView::FromHandle(form->Control(TControlId::M))->AddMessage(L"line", 0);

    EXPECT_EQ(ChooseFromMenu(form->Control(TControlId::M), 1), L"Открыть журнал");

    HWND notepad = nullptr;
    EXPECT_TRUE(PumpUntil([&] { return (notepad = FindNotepad(L"SetupZarvo")) != nullptr; }, 10000));
    EXPECT_FALSE(PathExists(copied)) << "the associated program ran";
    if (notepad != nullptr)
        EndProcessOf(notepad);
    SetLogFile(savedLog);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"ZarvoTest.Journal");
}

// A loader's SetDefaultDllDirectories: records what it was asked for and answers as told.
DWORD AskedFor = 0;
BOOL Answer = FALSE;
BOOL WINAPI FakeSetDefaultDllDirectories(DWORD flags) {
    AskedFor = flags;
    return Answer;
}

// Without the loader's entry, or when it fails, the start is refused.
TEST(LibrarySearch, IsRestrictedToTheSystemFolderOrTheStartIsRefused) {
    struct {
        TSetDefaultDllDirectories entry;
        BOOL answer;
        bool restricted;
        DWORD askedFor;
    } const cases[] = {
        {nullptr, TRUE, false, 0},
        {&FakeSetDefaultDllDirectories, FALSE, false, LOAD_LIBRARY_SEARCH_SYSTEM32},
        {&FakeSetDefaultDllDirectories, TRUE, true, LOAD_LIBRARY_SEARCH_SYSTEM32},
    };
    for (const auto& c : cases) {
        AskedFor = 0;
        Answer = c.answer;
        EXPECT_EQ(RestrictLibrarySearch(c.entry), c.restricted);
        EXPECT_EQ(AskedFor, c.askedFor);
    }
}

} // namespace
