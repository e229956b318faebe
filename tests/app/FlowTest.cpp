// The wizard's page flow in the test's own process: every move between pages with the three buttons'
// states, the runs on the status page, the refused paths, the folder button and the unattended reinstall.

#include "AppTestSupport.h"

#include "app/Application.h"
#include "common/SetupError.h"
#include "tests/support/ReportRecorder.h"

#include <algorithm>

using namespace zarvo;
using namespace zarvo::testing;
using enum TControlId;

namespace {

struct TButtons {
    bool back, forward, cancel;
    bool operator==(const TButtons&) const = default;
};

void PrintTo(const TButtons& b, std::ostream* os) {
    *os << "back " << b.back << ", forward " << b.forward << ", cancel " << b.cancel;
}

class Flow : public FormTest {
protected:
    void TearDown() override {
        // Whatever a run installed goes again.
        if (form && form->Handle() != nullptr && !installFolder.empty() && PathExists(installFolder)) {
            TReportRecorder quiet;
            form->PerformRemove();
        }
        form.reset();
        FormTest::TearDown();
    }

    void Start(const std::wstring& arguments = L"") {
        form = CreateForm(arguments);
        ASSERT_TRUE(form);
        ShowForm(*form);
    }
    void Click(TControlId button) {
        SendMessageW(form->Control(button), BM_CLICK, 0, 0);
        PumpFor(50);
    }
    TButtons Buttons() const {
        return {IsWindowEnabled(form->Control(BackButton)) != FALSE,
                IsWindowEnabled(form->Control(ForwardButton)) != FALSE,
                IsWindowEnabled(form->Control(CancelButton)) != FALSE};
    }
    std::wstring Log() const { return TextOf(form->Control(M)); }
    bool Finished() const {
        return form->CurrentPage() == SheetStatus && Buttons() == TButtons{false, true, false} &&
               TextOf(form->Control(ForwardButton)) == L"Завершить";
    }
    bool Closed() const { return form->Handle() == nullptr; }

    std::unique_ptr<TMainForm> form;
    std::wstring installFolder;
};

// Each row: how the wizard starts, the buttons pressed, and the page and buttons it ends on.
TEST_F(Flow, EveryMoveBetweenPagesSetsThePageAndTheButtons) {
    struct TCase {
        const char* name;
        bool installed;
        std::vector<TControlId> clicks;
        TControlId page;
        TButtons buttons;
    } cases[] = {
        {"new installation", false, {}, SheetNew, {false, true, true}},
        {"installed", true, {}, SheetAlready, {false, false, true}},
        {"welcome, forward", false, {ForwardButton}, SheetPath, {true, true, true}},
        {"path, back", false, {ForwardButton, BackButton}, SheetNew, {false, true, true}},
        {"back and forward do nothing on the maintenance page",
         true,
         {BackButton, ForwardButton},
         SheetAlready,
         {false, false, true}},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.name);
        state.emplace();
        if (test.installed)
            state->SetProgPath(*temp / L"Installed");
        Start();
        for (TControlId button : test.clicks)
            Click(button);
        EXPECT_EQ(form->CurrentPage(), test.page);
        EXPECT_EQ(Buttons(), test.buttons);
        form.reset();
        ProcessMessages();
        Terminated = false;
    }
}

TEST_F(Flow, InstallationRunsOnTheStatusPageAndFinishes) {
    Start();
    Click(ForwardButton);
    installFolder = *temp / L"Typed";
    SetWindowTextW(form->Control(PathEdit), (installFolder + L"\\").c_str());
    SendMessageW(form->Control(cbNewAutoReinstall), BM_SETCHECK, BST_CHECKED, 0);
    Click(ForwardButton);
    EXPECT_TRUE(Finished());
    EXPECT_EQ(form->Session().InstallPath, installFolder) << "stored without the trailing backslash";
    EXPECT_TRUE(form->Session().AutoReinstallFlag);
    std::wstring log = Log();
    EXPECT_EQ(log.substr(0, log.find(L"\r\n")), L"Создание пути " + installFolder);
    EXPECT_NE(log.find(L"\r\nУстановка ПО \"Вирдана\" успешно завершена."), std::wstring::npos);
    EXPECT_FALSE(SaveScreenshot(form->Handle(), L"SheetStatus-installed").empty());
    form->PerformRemove();

    Click(ForwardButton);
    EXPECT_TRUE(PumpUntil([&] { return Closed(); }));
}

TEST_F(Flow, RestoreAndRemoveRunOnTheStatusPage) {
    installFolder = *temp / L"Zarvo";
    state->SetProgPath(installFolder);
    Start();
    Click(RestoreButton);
    EXPECT_TRUE(Finished());
    std::wstring log = Log();
    EXPECT_EQ(log.substr(0, log.find(L"\r\n")), L"Удаление ярлыка") << "removal first";
    EXPECT_NE(log.find(L"\r\nУстановка ПО \"Вирдана\" успешно завершена."), std::wstring::npos);
    // Errors of the removal (nothing was installed) among the installation's lines.
    EXPECT_FALSE(SaveScreenshot(form->Handle(), L"SheetStatus-restored").empty());
    form.reset();

    Start();
    ASSERT_EQ(form->CurrentPage(), SheetAlready);
    Click(RemoveButton);
    EXPECT_TRUE(Finished());
    log = Log();
    EXPECT_EQ(log.substr(log.rfind(L"\r\n") + 2), L"Удаление ПО \"Вирдана\" успешно завершено.");
    EXPECT_FALSE(PathExists(installFolder));
}

TEST_F(Flow, ReportsBecomeLogLinesWithTheCaptionFirstForErrors) {
    Start();
    form->LogInfo(L"Сведения", L"Сообщение");
    form->LogError(L"Невозможно удалить a&b.dll", L"Ошибка");
    EXPECT_EQ(Log(), L"Сведения\r\nОшибка: Невозможно удалить a&b.dll");
}

// The path page keeps what cannot be an installation folder, with a box that says why.
TEST_F(Flow, ThePathPageRefusesWhatCannotBeAnInstallationFolder) {
    const std::wstring fullPath = L"Укажите полный путь для установки, например C:\\Program Files\\Zarvo";
    struct TCase {
        std::wstring typed, message;
    } cases[] = {
        {L"", L"Путь для установки не указан"},
        {L"\\\\server\\share\\Zarvo", L"Невозможно использовать сетевой путь для запуска программ"},
        {L"Zarvo", fullPath},
        {L"C:Zarvo", fullPath},
        {L"C:\\", fullPath},
        {L"\\Program Files\\Zarvo", fullPath},
        {L"C:\\Zarvo|1", L"Путь для установки содержит недопустимые символы"},
        {L"C:\\Za?rvo", L"Путь для установки содержит недопустимые символы"},
        {L"C:\\Zarvo\\a:b", L"Путь для установки содержит недопустимые символы"},
    };
    Start();
    Click(ForwardButton);
    for (const TCase& test : cases) {
        SCOPED_TRACE(WideToUtf8(test.typed));
        boxes->Shown().clear();
        SetWindowTextW(form->Control(PathEdit), test.typed.c_str());
        Click(ForwardButton);
        ASSERT_EQ(boxes->Shown().size(), 1u);
        EXPECT_EQ(boxes->Shown()[0].text, test.message);
        EXPECT_EQ(boxes->Shown()[0].caption, L"Ошибка");
        EXPECT_EQ(form->CurrentPage(), SheetPath);
        EXPECT_EQ(Buttons(), (TButtons{true, true, true}));
    }
}

TEST_F(Flow, ARunWithErrorsStillFinishesWithTheErrorsInTheLog) {
    // Nothing of the product is where the state says it is installed.
    state->SetProgPath(*temp / L"Zarvo");
    Start();
    Click(RemoveButton);
    EXPECT_TRUE(Finished());
    std::wstring log = Log();
    EXPECT_NE(log.find(L"\r\nОшибка: Невозможно удалить "), std::wstring::npos);
    EXPECT_EQ(log.substr(log.rfind(L"\r\n") + 2), L"Ошибка: Удаление ПО \"Вирдана\" завершено с ошибками.");
}

TEST_F(Flow, TheFolderButtonProposesTheChosenFolderWithTheProductName) {
    const std::wstring existing = *temp / L"Pick";
    ASSERT_TRUE(CreateDirectoryW(existing.c_str(), nullptr));
    struct TCase {
        std::wstring typed;
        std::optional<std::wstring> picked; // empty: the dialog is cancelled
        std::wstring openedAt, expected;
    } cases[] = {
        {existing, L"D:\\Chosen", existing, L"D:\\Chosen\\Zarvo"},
        {existing + L"\\Missing\\Zarvo", L"C:\\", L"", L"C:\\Zarvo"}, // opened at Program Files
        {L"D:\\Typed", std::nullopt, L"D:\\Typed", L"D:\\Typed"},
    };
    Start();
    Click(ForwardButton);
    cases[1].openedAt = form->Session().ProgramFilesPath;
    cases[2].openedAt = form->Session().ProgramFilesPath;
    for (const TCase& test : cases) {
        SCOPED_TRACE(WideToUtf8(test.typed));
        SetWindowTextW(form->Control(PathEdit), test.typed.c_str());
        boxes->pickedFrom.clear();
        boxes->pickedFolder = test.picked;
        form->bPickDirectoryClick();
        EXPECT_EQ(boxes->pickedFrom, std::vector<std::wstring>{test.openedAt});
        EXPECT_EQ(TextOf(form->Control(PathEdit)), test.expected);
    }
}

// A run that fails, and a folder refused before anything changes (no room on its drive), end alike: the
// failure box, the reason in the log, the window open.
TEST_F(Flow, TheUnattendedReinstallReportsFailureAndStaysOpen) {
    struct TCase {
        const char* name;
        bool fileInTheWay; // otherwise an empty folder on a drive with one free byte
        std::wstring logStart;
    } cases[] = {
        {"run fails", true, L"Ошибка: Невозможно создать путь "},
        {"target refused", false, L"Ошибка: Недостаточно места на диске: нужно "},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.name);
        installFolder = *temp / (test.fileInTheWay ? L"Blocked" : L"Full");
        ASSERT_TRUE(test.fileInTheWay ? WriteTextFile(installFolder, "in the way")
                                      : ForceDirectories(installFolder));
        if (test.fileInTheWay)
            system.freeSpace.reset();
        else
            system.freeSpace = std::optional<uint64_t>(1);
        state->SetProgPath(installFolder);
        state->SetAutoReinstall(1);
        boxes->Shown().clear();
        Start(L"/auto");
        ASSERT_TRUE(PumpUntil([&] { return !boxes->Shown().empty(); }, 20000));
        PumpFor(100);
        EXPECT_EQ(boxes->Shown()[0].text,
                  L"Автопереустановка Zarvo не выполнена: при установке произошли ошибки. "
                  L"Подробности в журнале на экране установки.");
        EXPECT_EQ(boxes->Shown()[0].caption, L"Автопереустановка Zarvo");
        EXPECT_EQ(boxes->Shown()[0].flags, UINT(MB_OK | MB_ICONERROR));
        EXPECT_EQ(boxes->Shown().size(), 1u) << "the reason is a line of the log, not a box";
        EXPECT_FALSE(Closed());
        EXPECT_TRUE(Finished());
        EXPECT_EQ(Log().substr(0, test.logStart.size()), test.logStart);
        form.reset();
        Terminated = false;
    }
    system.freeSpace.reset();
    installFolder.clear();
}

TEST_F(Flow, TheUnattendedReinstallInstallsWithoutRemovalAndEnds) {
    installFolder = *temp / L"Zarvo";
    state->SetProgPath(installFolder);
    state->SetAutoReinstall(0);
    Start(L"/auto");
    ASSERT_TRUE(PumpUntil([&] { return !boxes->Shown().empty(); }, 30000));
    EXPECT_EQ(boxes->Shown()[0].text, L"Автопереустановка выполнена успешно. Для начала работы, пожалуйста, "
                                      L"запустите программу ещё раз...");
    EXPECT_EQ(boxes->Shown()[0].flags, UINT(MB_OK));
    std::wstring log = Log();
    EXPECT_EQ(log.find(L"Удаление"), std::wstring::npos) << "no removal run";
    // The waits before the run are asked of the system, not slept.
    for (DWORD wait : {2000u, 200u})
        EXPECT_NE(std::find(system.waits.begin(), system.waits.end(), wait), system.waits.end()) << wait;
    EXPECT_TRUE(PumpUntil([&] { return Closed(); }));
    // The window is gone; remove what the run installed through a new form, once the old one has let go
    // of its start-up files.
    form.reset();
    Terminated = false;
    Start();
}

} // namespace
