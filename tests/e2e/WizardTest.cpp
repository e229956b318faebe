// The real SetupZarvo.exe clicked through under Wine. Every scenario clears the machine first, drives
// the wizard's windows as a user would and checks what the machine holds afterwards.

#include "Driver.h"
#include "MachineState.h"

#include "common/CommonUtils.h"
#include "common/SetupError.h"
#include "common/Text.h"
#include "tests/support/RegistryValueOverride.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <algorithm>
#include <memory>

namespace zarvo::e2e {

void PrintTo(const TRegValue& value, std::ostream* out) {
    *out << "type " << value.type << " \"" << WideToUtf8(value.text) << "\" " << value.number;
}

} // namespace zarvo::e2e

using namespace zarvo;
using namespace zarvo::e2e;
using namespace zarvo::testing;

namespace {

// Typed with a trailing backslash, which the wizard drops.
const std::wstring TypedFolder = L"C:\\Программы\\Zarvo e2e";
// An existing folder the folder dialog opens on.
const std::wstring PickedFolder = L"C:\\Выбор e2e";

const std::wstring InstallDone = L"Установка ПО \"Вирдана\" успешно завершена.";
const std::wstring RemovalDone = L"Удаление ПО \"Вирдана\" успешно завершено.";
const std::wstring ErrorLinePrefix = L"Ошибка: ";

struct TButtons {
    bool back, forward, cancel;
    bool operator==(const TButtons&) const = default;
};

void PrintTo(const TButtons& buttons, std::ostream* out) {
    *out << "back " << buttons.back << " / forward " << buttons.forward << " / cancel " << buttons.cancel;
}

TButtons ButtonsOf(TWizard& wizard) {
    return {wizard.Enabled(TControlId::BackButton), wizard.Enabled(TControlId::ForwardButton),
            wizard.Enabled(TControlId::CancelButton)};
}

std::string Narrow(const std::wstring& text) {
    return WideToUtf8(text);
}

// The lines of Dist.lst as the wizard wrote it into the temporary folder it shares with this process.
std::vector<std::wstring> DistLines() {
    std::string bytes = ReadBinaryFile(GetTempFolder() + L"Dist.lst");
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = bytes.size();
        lines.push_back(OemToAnsi(bytes.substr(start, end - start)));
        start = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

// Each expected line appears in the log, in this order; other lines may come between them.
void ExpectInOrder(const std::vector<std::wstring>& log, const std::vector<std::wstring>& expected) {
    auto at = log.begin();
    for (const std::wstring& line : expected) {
        at = std::find(at, log.end(), line);
        ASSERT_NE(at, log.end()) << "missing in its place: " << Narrow(line);
        ++at;
    }
}

void ExpectNoErrorLines(const std::vector<std::wstring>& log) {
    for (const std::wstring& line : log)
        EXPECT_NE(line.rfind(ErrorLinePrefix, 0), 0u) << Narrow(line);
}

std::vector<std::wstring> InstallLines(const std::wstring& folder, bool runtimePlaced) {
    std::vector<std::wstring> lines{L"Создание пути " + folder};
    for (const std::wstring& name : DistLines())
        lines.push_back(name + L" распакован успешно");
    if (runtimePlaced) {
        lines.push_back(L"RTW32.dll не найден");
        lines.push_back(RuntimeLibraryPath() + L" распакован успешно");
    }
    lines.insert(lines.end(), {L"Создание ярлыков", L"Завершение установки", InstallDone});
    return lines;
}

std::vector<std::wstring> RemovalLines(const std::wstring& folder) {
    std::vector<std::wstring> lines{L"Удаление ярлыка"};
    for (const std::wstring& name : DistLines())
        lines.push_back(name + L" удален успешно");
    lines.insert(lines.end(),
                 {L"Каталог " + folder + L" удален успешно", L"Завершение удаления", RemovalDone});
    return lines;
}

std::wstring FileTimeText(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return {};
    return std::to_wstring((uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) |
                           data.ftLastWriteTime.dwLowDateTime);
}

TRegValue Text(const std::wstring& text) {
    return {REG_SZ, text, 0};
}

TRegValue Number(DWORD number) {
    return {REG_DWORD, L"", number};
}

void ExpectInstalled(const std::wstring& folder, DWORD autoReinstall) {
    // Every file of the product, as the payload packed it and its list names it.
    ASSERT_EQ(FilesIn(folder), ProductFiles());
    std::vector<std::wstring> listed = DistLines();
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, ProductFiles());
    for (const std::wstring& name : ProductFiles())
        EXPECT_TRUE(ReadBinaryFile(folder + L"\\" + name) == ReadBinaryFile(ProductFolder() + L"\\" + name))
            << Narrow(name);

    for (const std::wstring& shortcut : ShortcutPaths()) {
        std::wstring target, workingFolder;
        ASSERT_TRUE(ReadShortcut(shortcut, target, workingFolder)) << Narrow(shortcut);
        EXPECT_TRUE(SameText(target, folder + L"\\Orvan.exe")) << Narrow(target);
        EXPECT_TRUE(SameText(workingFolder, folder)) << Narrow(workingFolder);
    }

    const std::wstring setupExe = SetupExePath();
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, ProductKeyPath, L"ProgPath"), Text(folder));
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, ProductKeyPath, L"BuildDate"), Text(L"08.04.2005"));
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, InstallKeyPath, L"InstalledDistribFileName"), Text(setupExe));
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, InstallKeyPath, L"InstalledDistribFileTime"),
              Text(FileTimeText(setupExe)));
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, InstallKeyPath, L"AutoReinstall"), Number(autoReinstall));

    for (const TComRow& row : KernelComRows(folder))
        EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, row.key, row.name), Text(row.data))
            << Narrow(row.key) << " " << Narrow(row.name);
    for (const std::wstring& key : ClassesKeys())
        EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, key)) << Narrow(key);
    EXPECT_TRUE(PathExists(RuntimeLibraryPath()));
}

void ExpectRemoved(const std::wstring& folder) {
    EXPECT_FALSE(PathExists(folder));
    for (const std::wstring& shortcut : ShortcutPaths())
        EXPECT_FALSE(PathExists(shortcut)) << Narrow(shortcut);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ProductKeyPath));
    // The installation key keeps what it recorded.
    for (const wchar_t* name : {L"InstalledDistribFileName", L"InstalledDistribFileTime", L"AutoReinstall"})
        EXPECT_TRUE(ReadValue(HKEY_LOCAL_MACHINE, InstallKeyPath, name)) << Narrow(name);
    for (const std::wstring& key : ClassesKeys())
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, key)) << Narrow(key);
    // The runtime library may be shared with other programs: it stays.
    EXPECT_TRUE(PathExists(RuntimeLibraryPath()));
}

// The next box of the wizard is this one; answers it.
void ExpectBox(TWizard& wizard, const std::wstring& caption, const std::wstring& text, int answer,
               DWORD timeoutMs = DefaultWaitMs) {
    std::optional<TBox> box = wizard.WaitForBox(timeoutMs);
    ASSERT_TRUE(box) << "no box \"" << Narrow(caption) << "\"";
    EXPECT_EQ(Narrow(box->caption), Narrow(caption));
    EXPECT_EQ(Narrow(box->text), Narrow(text));
    ASSERT_TRUE(wizard.Answer(*box, answer));
}

void ExpectEndsNormally(TWizard& wizard) {
    std::optional<DWORD> exitCode = wizard.Process().WaitForExit(DefaultWaitMs);
    ASSERT_TRUE(exitCode) << "the wizard still runs";
    EXPECT_EQ(*exitCode, 0u);
}

void Shot(TWizard& wizard, HWND window, const wchar_t* name) {
    EXPECT_FALSE(wizard.Screenshot(window, name).empty()) << Narrow(name);
}

void SaveLog(const std::vector<std::wstring>& log, const wchar_t* name) {
    std::string text;
    for (const std::wstring& line : log)
        text += WideToUtf8(line) + "\n";
    WriteTextFile(ScreenshotFolder() + L"\\" + name, text);
}

class Wizard : public ::testing::Test {
protected:
    // Without a window manager (Xvfb) Wine should neither wait for one to confirm each hidden window
    // (seconds per message box) nor leave the title bars undrawn in the screenshots.
    static void SetUpTestSuite() {
        for (const wchar_t* name : {L"Managed", L"Decorated"}) {
            x11Settings.emplace_back(std::make_unique<TRegistryValueOverride>(
                HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", name));
            x11Settings.back()->SetString(L"N");
        }
    }
    static void TearDownTestSuite() { x11Settings.clear(); }
    static inline std::vector<std::unique_ptr<TRegistryValueOverride>> x11Settings;

    static std::vector<std::wstring> Folders() { return {DefaultInstallFolder(), TypedFolder, PickedFolder}; }
    void SetUp() override { ClearMachine(Folders()); }
    void TearDown() override {
        // The demo keeps its installation for a person to look at.
        if (GetEnvironmentVariableW(L"ZARVO_E2E_KEEP_INSTALLATION", nullptr, 0) == 0)
            ClearMachine(Folders());
    }

    // Welcome page, path page (the folder typed when one is given), the installation run, the finished
    // state. Returns the log as the finished state shows it.
    std::vector<std::wstring> InstallThrough(TWizard& wizard, const std::wstring& typed, bool autoReinstall,
                                             bool screenshots) {
        HWND form = wizard.WaitForForm();
        EXPECT_TRUE(form);
        EXPECT_TRUE(wizard.WaitForPage(TControlId::SheetNew));
        EXPECT_EQ(ButtonsOf(wizard), (TButtons{false, true, true}));
        if (screenshots)
            Shot(wizard, form, L"wizard-welcome");

        EXPECT_TRUE(wizard.Click(TControlId::ForwardButton));
        EXPECT_TRUE(wizard.WaitForPage(TControlId::SheetPath));
        EXPECT_EQ(ButtonsOf(wizard), (TButtons{true, true, true}));
        EXPECT_EQ(Narrow(wizard.Text(TControlId::PathEdit)), Narrow(DefaultInstallFolder()));
        if (!typed.empty()) {
            EXPECT_TRUE(wizard.Type(TControlId::PathEdit, typed));
        }
        if (autoReinstall) {
            EXPECT_TRUE(wizard.Click(TControlId::cbNewAutoReinstall));
            EXPECT_TRUE(WaitUntil([&] { return wizard.Checked(TControlId::cbNewAutoReinstall); }));
        }
        if (screenshots)
            Shot(wizard, form, L"wizard-path");

        EXPECT_TRUE(wizard.Click(TControlId::ForwardButton));
        EXPECT_TRUE(wizard.WaitForPage(TControlId::SheetStatus));
        EXPECT_TRUE(wizard.WaitForFinished());
        EXPECT_EQ(ButtonsOf(wizard), (TButtons{false, true, false}));
        std::vector<std::wstring> log = wizard.ReadLog();
        if (screenshots)
            Shot(wizard, form, L"wizard-status");
        return log;
    }

    // A complete installation into the default folder, for the scenarios that start on an installed
    // machine.
    void InstallDefault() {
        TWizard wizard;
        ASSERT_TRUE(wizard.Process().Started()) << GetLastError();
        std::vector<std::wstring> log = InstallThrough(wizard, L"", false, false);
        ASSERT_FALSE(log.empty());
        ASSERT_EQ(Narrow(log.back()), Narrow(InstallDone));
        ASSERT_TRUE(wizard.Click(TControlId::ForwardButton));
        ExpectEndsNormally(wizard);
    }

    // Starts the wizard on the installed machine and waits for the maintenance page.
    HWND OpenMaintenance(TWizard& wizard) {
        HWND form = wizard.WaitForForm();
        EXPECT_TRUE(form);
        EXPECT_TRUE(wizard.WaitForPage(TControlId::SheetAlready));
        EXPECT_EQ(ButtonsOf(wizard), (TButtons{false, false, true}));
        return form;
    }
};

struct TNewInstallation {
    const char* name;
    std::wstring typed; // empty: the proposed folder is kept
    std::wstring folder;
    bool autoReinstall;
    bool screenshots;
};

void PrintTo(const TNewInstallation& c, std::ostream* out) {
    *out << c.name;
}

class NewInstallation : public Wizard, public ::testing::WithParamInterface<TNewInstallation> {};

TEST_P(NewInstallation, PutsEveryPieceInPlace) {
    const TNewInstallation& c = GetParam();
    TWizard wizard;
    ASSERT_TRUE(wizard.Process().Started()) << GetLastError();
    std::vector<std::wstring> log = InstallThrough(wizard, c.typed, c.autoReinstall, c.screenshots);
    if (c.screenshots)
        SaveLog(log, L"wizard-install.log");

    ASSERT_FALSE(log.empty());
    EXPECT_EQ(Narrow(log.front()), Narrow(L"Создание пути " + c.folder));
    EXPECT_EQ(Narrow(log.back()), Narrow(InstallDone));
    ExpectInOrder(log, InstallLines(c.folder, true));
    ExpectNoErrorLines(log);
    ExpectInstalled(c.folder, c.autoReinstall ? 1 : 0);

    EXPECT_EQ(Narrow(wizard.Text(TControlId::ForwardButton)), "Завершить");
    ASSERT_TRUE(wizard.Click(TControlId::ForwardButton));
    ExpectEndsNormally(wizard);
}

INSTANTIATE_TEST_SUITE_P(
    Wizard, NewInstallation,
    ::testing::Values(TNewInstallation{"DefaultFolder", L"", DefaultInstallFolder(), false, true},
                      TNewInstallation{"TypedFolder", TypedFolder + L"\\", TypedFolder, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Wizard, MaintenancePageThenRemove) {
    ASSERT_NO_FATAL_FAILURE(InstallDefault());
    const std::wstring folder = DefaultInstallFolder();

    TWizard wizard;
    HWND form = OpenMaintenance(wizard);
    EXPECT_FALSE(wizard.Checked(TControlId::cbAutoReinstall));
    Shot(wizard, form, L"wizard-maintenance");

    ASSERT_TRUE(wizard.Click(TControlId::RemoveButton));
    EXPECT_TRUE(wizard.WaitForPage(TControlId::SheetStatus));
    ASSERT_TRUE(wizard.WaitForFinished());
    EXPECT_EQ(ButtonsOf(wizard), (TButtons{false, true, false}));
    std::vector<std::wstring> log = wizard.ReadLog();
    Shot(wizard, form, L"wizard-finished");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(Narrow(log.front()), "Удаление ярлыка");
    EXPECT_EQ(Narrow(log.back()), Narrow(RemovalDone));
    ExpectInOrder(log, RemovalLines(folder));
    ExpectNoErrorLines(log);

    ASSERT_TRUE(wizard.Click(TControlId::ForwardButton));
    ExpectEndsNormally(wizard);
    ExpectRemoved(folder);
}

TEST_F(Wizard, RestoreRemovesAndInstallsAgain) {
    ASSERT_NO_FATAL_FAILURE(InstallDefault());
    const std::wstring folder = DefaultInstallFolder();
    // A file lost since the installation comes back.
    ASSERT_TRUE(DeleteFileW((folder + L"\\Orvan.exe").c_str()));

    TWizard wizard;
    OpenMaintenance(wizard);
    ASSERT_TRUE(wizard.Click(TControlId::cbAutoReinstall));
    ASSERT_TRUE(WaitUntil([&] { return wizard.Checked(TControlId::cbAutoReinstall); }));
    ASSERT_TRUE(wizard.Click(TControlId::RestoreButton));
    ASSERT_TRUE(wizard.WaitForFinished());
    std::vector<std::wstring> log = wizard.ReadLog();

    // The removal reports the lost file and goes on; the installation follows it.
    std::vector<std::wstring> expected = RemovalLines(folder);
    std::erase(expected, L"Orvan.exe удален успешно");
    std::erase(expected, RemovalDone);
    std::vector<std::wstring> install = InstallLines(folder, false);
    expected.insert(expected.end(), install.begin(), install.end());
    ExpectInOrder(log, expected);
    EXPECT_NE(std::find(log.begin(), log.end(), ErrorLinePrefix + L"Невозможно удалить Orvan.exe"),
              log.end());
    EXPECT_EQ(Narrow(log.back()), Narrow(InstallDone));

    ASSERT_TRUE(wizard.Click(TControlId::ForwardButton));
    ExpectEndsNormally(wizard);
    ExpectInstalled(folder, 1);
}

TEST_F(Wizard, UnattendedReinstallClosesTheKernelWithoutAQuestion) {
    struct Case {
        const char* name;
        const wchar_t* failingStep; // a stand-in library's step made to fail, or none
        std::wstring box;
        bool errorIcon;
    } const cases[] = {
        {"succeeds", nullptr,
         L"Автопереустановка выполнена успешно. Для начала работы, пожалуйста, запустите программу ещё "
         L"раз...",
         false},
        // A failed run is never announced as a success; the wizard stays open on its log.
        {"a library fails to register", L"Selvar.register",
         L"Автопереустановка Zarvo не выполнена: при установке произошли ошибки. Подробности в журнале на "
         L"экране установки.",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearMachine(Folders());
        ASSERT_NO_FATAL_FAILURE(InstallDefault());
        const std::wstring folder = DefaultInstallFolder();
        // Any non-zero value means "yes"; the unattended run must leave it exactly as stored.
        ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, InstallKeyPath, L"AutoReinstall", 5));
        ASSERT_TRUE(DeleteValue(HKEY_LOCAL_MACHINE, InstallKeyPath, L"InstalledDistribFileName"));
        ASSERT_TRUE(DeleteFileW((folder + L"\\Orvan.exe").c_str()));

        TChildProcess kernel;
        ASSERT_TRUE(kernel.Start(folder + L"\\ZarvoKernel.exe", L"", folder)) << GetLastError();
        ASSERT_TRUE(WaitUntil([] { return FindWindowW(nullptr, L"ZarvoKernel") != nullptr; }));

        // The wizard passes its environment on to the libraries it registers.
        SetEnvironmentVariableW(L"ZARVO_STANDIN_FAIL", c.failingStep);
        TWizard wizard(L"/auto");
        SetEnvironmentVariableW(L"ZARVO_STANDIN_FAIL", nullptr);
        HWND form = wizard.WaitForForm();
        ASSERT_TRUE(form);
        wchar_t caption[128] = {};
        GetWindowTextW(form, caption, 128);
        EXPECT_EQ(Narrow(caption), "Автоматическая переустановка Zarvo");
        EXPECT_EQ(wizard.CurrentPage(), TControlId::SheetStatus);

        // The first box is the closing one: the kernel was closed without asking.
        std::optional<TBox> box = wizard.WaitForBox(RunWaitMs);
        ASSERT_TRUE(box);
        EXPECT_EQ(Narrow(box->caption), "Автопереустановка Zarvo");
        EXPECT_EQ(Narrow(box->text), Narrow(c.box));
        EXPECT_EQ(box->hasIcon, c.errorIcon);
        EXPECT_FALSE(kernel.Running());
        EXPECT_EQ(ButtonsOf(wizard), (TButtons{false, false, false}));
        std::vector<std::wstring> log = wizard.ReadLog();
        ASSERT_TRUE(wizard.Answer(*box, IDOK));
        if (c.failingStep != nullptr) {
            ASSERT_TRUE(wizard.WaitForFinished(DefaultWaitMs));
            EXPECT_TRUE(wizard.Process().Running());
            EXPECT_EQ(ButtonsOf(wizard), (TButtons{false, true, false}));
            ASSERT_TRUE(wizard.Click(TControlId::ForwardButton));
        }
        ExpectEndsNormally(wizard);

        // No removal run: the installation went straight over the installed product.
        EXPECT_EQ(std::find(log.begin(), log.end(), L"Удаление ярлыка"), log.end());
        EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, InstallKeyPath, L"AutoReinstall"), Number(5));
        if (c.failingStep == nullptr) {
            ExpectInOrder(log, InstallLines(folder, false));
            ExpectNoErrorLines(log);
            ExpectInstalled(folder, 5);
        } else {
            EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::wstring& line) {
                return line.rfind(ErrorLinePrefix, 0) == 0;
            }));
            EXPECT_EQ(std::find(log.begin(), log.end(), InstallDone), log.end());
        }
    }
}

TEST_F(Wizard, RunningKernelKeptEndsTheProgramAndChangesNothing) {
    ASSERT_NO_FATAL_FAILURE(InstallDefault());
    const std::wstring folder = DefaultInstallFolder();
    TChildProcess kernel;
    ASSERT_TRUE(kernel.Start(folder + L"\\ZarvoKernel.exe", L"", folder)) << GetLastError();
    ASSERT_TRUE(WaitUntil([] { return FindWindowW(nullptr, L"ZarvoKernel") != nullptr; }));
    TMachineState before = ReadMachineState(folder);

    TWizard wizard;
    ExpectBox(wizard, L"Обнаружены загруженные компоненты Zarvo",
              L"Выгрузить загруженные компоненты Zarvo и продолжить установку?", IDNO);
    ExpectBox(
        wizard, L"Ошибка",
        L"Переустановка системы не выполнена. Перед её выполнением необходимо закрыть все компоненты Zarvo",
        IDOK);
    ExpectEndsNormally(wizard);

    EXPECT_TRUE(kernel.Running());
    EXPECT_TRUE(ReadMachineState(folder) == before);
}

TEST_F(Wizard, PathPageRefusesWhatCannotBeAnInstallationFolder) {
    struct Case {
        std::wstring typed, message;
    } const cases[] = {
        {L"\\\\server\\share\\Zarvo", L"Невозможно использовать сетевой путь для запуска программ"},
        {L"", L"Путь для установки не указан"},
        {L"Zarvo", L"Укажите полный путь для установки, например C:\\Program Files\\Zarvo"},
        {L"C:\\Zar|vo", L"Путь для установки содержит недопустимые символы"},
        // A drive letter that does not exist: refused at once, not searched for forever.
        {L"Q:\\Zarvo\\Sub", L"Диск Q: не найден или не готов"},
    };
    TMachineState before = ReadMachineState(DefaultInstallFolder());
    TWizard wizard;
    ASSERT_TRUE(wizard.WaitForForm());
    ASSERT_TRUE(wizard.Click(TControlId::ForwardButton));
    ASSERT_TRUE(wizard.WaitForPage(TControlId::SheetPath));
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.typed));
        ASSERT_TRUE(wizard.Type(TControlId::PathEdit, c.typed));
        ASSERT_TRUE(wizard.Click(TControlId::ForwardButton));
        // Each refusal comes within seconds: nothing is waited for.
        ExpectBox(wizard, L"Ошибка", c.message, IDOK, 5000);
        // The page stays as it was, for the user to correct the path.
        EXPECT_EQ(wizard.CurrentPage(), TControlId::SheetPath);
        EXPECT_EQ(ButtonsOf(wizard), (TButtons{true, true, true}));
        EXPECT_EQ(Narrow(wizard.Text(TControlId::PathEdit)), Narrow(c.typed));
    }
    // Back and forward again propose the default folder anew.
    ASSERT_TRUE(wizard.Click(TControlId::BackButton));
    ASSERT_TRUE(wizard.WaitForPage(TControlId::SheetNew));
    EXPECT_EQ(ButtonsOf(wizard), (TButtons{false, true, true}));
    ASSERT_TRUE(wizard.Click(TControlId::ForwardButton));
    ASSERT_TRUE(wizard.WaitForPage(TControlId::SheetPath));
    EXPECT_EQ(Narrow(wizard.Text(TControlId::PathEdit)), Narrow(DefaultInstallFolder()));
    ASSERT_TRUE(wizard.Click(TControlId::CancelButton));
    ExpectBox(wizard, L"Установка", L"Вы действительно хотите прервать установку?", IDYES);
    ExpectEndsNormally(wizard);
    EXPECT_TRUE(ReadMachineState(DefaultInstallFolder()) == before);
}

TEST_F(Wizard, CancelAsksAndOnlyYesEndsTheProgram) {
    struct Case {
        const char* name;
        TControlId page;
        TButtons buttons;
    } const cases[] = {
        {"welcome", TControlId::SheetNew, {false, true, true}},
        {"path", TControlId::SheetPath, {true, true, true}},
        {"maintenance", TControlId::SheetAlready, {false, false, true}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClearMachine(Folders());
        // The maintenance page needs only the recorded folder.
        if (c.page == TControlId::SheetAlready) {
            ASSERT_TRUE(WriteDword(HKEY_LOCAL_MACHINE, InstallKeyPath, L"AutoReinstall", 0));
            TRegKey key;
            ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, ProductKeyPath, 0, nullptr, 0, KEY_SET_VALUE,
                                      nullptr, key.Receive(), nullptr),
                      ERROR_SUCCESS);
            const std::wstring folder = DefaultInstallFolder();
            RegSetValueExW(key.Get(), L"ProgPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                           DWORD((folder.size() + 1) * sizeof(wchar_t)));
        }
        TMachineState before = ReadMachineState(DefaultInstallFolder());
        TWizard wizard;
        ASSERT_TRUE(wizard.WaitForForm());
        if (c.page == TControlId::SheetPath) {
            ASSERT_TRUE(wizard.Click(TControlId::ForwardButton));
        }
        ASSERT_TRUE(wizard.WaitForPage(c.page));

        ASSERT_TRUE(wizard.Click(TControlId::CancelButton));
        ExpectBox(wizard, L"Установка", L"Вы действительно хотите прервать установку?", IDNO);
        EXPECT_TRUE(wizard.Process().Running());
        EXPECT_EQ(wizard.CurrentPage(), c.page);
        EXPECT_EQ(ButtonsOf(wizard), c.buttons);

        ASSERT_TRUE(wizard.Click(TControlId::CancelButton));
        ExpectBox(wizard, L"Установка", L"Вы действительно хотите прервать установку?", IDYES);
        ExpectEndsNormally(wizard);
        EXPECT_TRUE(ReadMachineState(DefaultInstallFolder()) == before);
    }
}

TEST_F(Wizard, FolderButtonOpensTheDialogOnTheTypedOrTheProgramsFolder) {
    ASSERT_TRUE(CreateDirectoryW(PickedFolder.c_str(), nullptr));
    const std::wstring missing = L"C:\\Нет такого\\Zarvo";
    struct Case {
        const char* name;
        std::wstring typed;
        int answer;
        std::wstring expected;
        bool screenshot;
    } const cases[] = {
        {"cancelled", PickedFolder, IDCANCEL, PickedFolder, false},
        {"confirmed on the typed folder", PickedFolder, IDOK, PickedFolder + L"\\Zarvo", true},
        {"confirmed on Program Files", missing, IDOK, DefaultInstallFolder(), false},
    };
    TWizard wizard;
    ASSERT_TRUE(wizard.WaitForForm());
    ASSERT_TRUE(wizard.Click(TControlId::ForwardButton));
    ASSERT_TRUE(wizard.WaitForPage(TControlId::SheetPath));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(wizard.Type(TControlId::PathEdit, c.typed));
        ASSERT_TRUE(wizard.Click(TControlId::bPickDirectory));
        std::optional<TBox> dialog = wizard.WaitForBox();
        ASSERT_TRUE(dialog);
        EXPECT_EQ(Narrow(dialog->caption), "Выбор каталога");
        EXPECT_TRUE(HasChildWithText(dialog->window, L"Укажите каталог для Zarvo"));
        // The tree has its first selection once the dialog has set itself up.
        HWND tree = FindChild(dialog->window, WC_TREEVIEWW);
        ASSERT_TRUE(tree);
        EXPECT_TRUE(WaitUntil([&] { return Ask(tree, TVM_GETNEXTITEM, TVGN_CARET).value_or(0) != 0; }));
        if (c.screenshot)
            Shot(wizard, dialog->window, L"wizard-folder-dialog");
        ASSERT_TRUE(wizard.Answer(*dialog, c.answer));
        EXPECT_TRUE(WaitUntil([&] { return wizard.Text(TControlId::PathEdit) == c.expected; }))
            << Narrow(wizard.Text(TControlId::PathEdit));
        EXPECT_EQ(wizard.CurrentPage(), TControlId::SheetPath);
    }
    ASSERT_TRUE(wizard.Click(TControlId::CancelButton));
    ExpectBox(wizard, L"Установка", L"Вы действительно хотите прервать установку?", IDYES);
    ExpectEndsNormally(wizard);
}

} // namespace
