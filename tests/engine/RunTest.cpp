// The installation and removal runs for real: the payload through the extraction library, the stand-in
// product registered, shortcuts written, the installation state in the registry.

#include "EngineTestSupport.h"

#include "engine/FolderTrust.h"
#include "engine/KeptSetup.h"
#include "engine/RunTexts.h"
#include "engine/Runs.h"
#include "engine/Session.h"
#include "engine/TargetChecks.h"
#include "engine/UninstallEntry.h"
#include "archive/ArchiveExtract.h"
#include "archive/ArchiveOpenCount.h"
#include "common/SetupError.h"
#include "common/Text.h"
#include "setup/SetupUtils.h"
#include "tests/support/Links.h"
#include "tests/support/ReportRecorder.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <algorithm>

namespace zarvo::testing {
namespace {

const std::wstring Ok = L" распакован успешно";

std::wstring ProductDir() {
    return WinePath(ZARVO_PAYLOAD_PRODUCT_DIR);
}

std::wstring SystemRuntime() {
    return GetSystemFolder() + L"RTW32.dll";
}

std::wstring ShortcutIn(int csidl) {
    return GetSpecialFolderPath(csidl) + L"\\Вирдана.lnk";
}

std::optional<std::pair<DWORD, std::wstring>> Value(HKEY root, const std::wstring& key, const wchar_t* name) {
    union {
        wchar_t text[1024];
        DWORD number;
    } data{};
    DWORD type = 0, size = sizeof(data);
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_ANY, &type, &data, &size) != ERROR_SUCCESS)
        return std::nullopt;
    if (type == REG_DWORD)
        return std::pair{type, std::to_wstring(data.number)};
    return std::pair{type, std::wstring(data.text)};
}

const std::wstring ProductKeyPath = L"Software\\VARNEX_SRV.INI\\Install\\Вирдана";
const std::wstring InstallKeyPath = L"Software\\VARNEX_SRV.INI\\Install";
const std::wstring ClassKey = L"CLSID\\{7E3C19A2-5B84-4F0D-9A61-C2D84E7B3F05}";

class Runs : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        // The runs need the session alone: no form.
        session.emplace(system, SlotReports());
        ASSERT_NO_THROW(session->Prepare());
        archivePath = session->ArchivePath;
        list = session->DistList;
        folder = (*temp / L"Program Files") + L"\\Zarvo";
    }
    void TearDown() override {
        // What a run leaves outside the temporary folder.
        RunRemovalQuietly();
        DeleteFileW(ShortcutIn(CSIDL_COMMON_DESKTOPDIRECTORY).c_str());
        DeleteFileW(ShortcutIn(CSIDL_COMMON_STARTMENU).c_str());
        SetCurrentDirectoryW(ProgramFolder().c_str());
        session.reset();
        EngineTest::TearDown();
    }

    // autoReinstall empty: the unattended reinstall, which keeps the stored choice.
    TRunInput Input(std::optional<bool> autoReinstall = true) {
        return {.installPath = folder,
                .archivePath = archivePath,
                .distList = &list,
                .setupExecutable = ModulePath,
                .autoReinstall = autoReinstall,
                .unpack = {.stagingParent = folder}};
    }
    std::vector<std::wstring> Install(const TRunInput& input) {
        TReportRecorder log;
        RunInstallation(input, log);
        return log.lines;
    }
    std::vector<std::wstring> Install() { return Install(Input()); }
    std::vector<std::wstring> Remove() {
        TReportRecorder log;
        RunRemoval(Input(), log);
        return log.lines;
    }
    void RunRemovalQuietly() {
        if (PathExists(folder + L"\\ZarvoKernel.tlb"))
            Remove();
    }

    // The registration lines of the whole stand-in product in this folder, in the order they come.
    std::vector<std::wstring> Registration(bool unregister) {
        std::vector<std::wstring> libraries;
        FindSelfRegisteringDlls(folder, libraries);
        const std::wstring config = UpperCase(folder + L"\\Tornel.dll");
        std::erase(libraries, config);
        libraries.insert(unregister ? libraries.end() : libraries.begin(), config);
        const std::wstring done = unregister ? L" разрегистрирован успешно" : L" зарегистрирован успешно";
        std::vector<std::wstring> lines{unregister ? L"Разрегистрация Zarvo" : L"Регистрация Zarvo"};
        std::vector<std::wstring> kernel{folder + L"\\ZarvoKernel.tlb" + done, L"AxApplication" + done};
        if (!unregister)
            lines.insert(lines.end(), kernel.begin(), kernel.end());
        for (const std::wstring& library : libraries)
            lines.push_back(library + done);
        if (unregister)
            lines.insert(lines.end(), kernel.begin(), kernel.end());
        return lines;
    }

    std::vector<std::wstring> Unpacked(const std::vector<std::wstring>& names) {
        std::vector<std::wstring> lines{L"Создание пути " + folder};
        for (const std::wstring& name : names)
            lines.push_back(name + Ok);
        return lines;
    }

    std::optional<TSetupSession> session;
    std::wstring archivePath;
    std::vector<std::wstring> list;
    std::wstring folder;
};

template <typename T> std::vector<T> Join(std::vector<T> a, const std::vector<T>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(Runs, InstallsTheWholeProductAndRecordsIt) {
    DeleteFileW(SystemRuntime().c_str());
    ASSERT_FALSE(PathExists(SystemRuntime()));
    std::vector<std::wstring> log = Install();

    std::vector<std::wstring> expected = Unpacked(list);
    expected.push_back(L"RTW32.dll не найден");
    expected.push_back(SystemRuntime() + Ok);
    expected = Join(expected, Registration(false));
    expected = Join(expected, {L"Создание ярлыков", L"Завершение установки",
                               L"Установка ПО \"Вирдана\" успешно завершена."});
    EXPECT_EQ(log, expected);

    EXPECT_EQ(FilesIn(folder), FilesIn(ProductDir()));
    for (const std::wstring& name : FilesIn(ProductDir()))
        EXPECT_EQ(ReadBinaryFile(folder + L"\\" + name), ReadBinaryFile(ProductDir() + L"\\" + name)) << name;
    EXPECT_TRUE(PathExists(SystemRuntime()));
    EXPECT_TRUE(PathExists(ShortcutIn(CSIDL_COMMON_DESKTOPDIRECTORY)));
    EXPECT_TRUE(PathExists(ShortcutIn(CSIDL_COMMON_STARTMENU)));

    // The kernel server's COM entries and its type library.
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, ClassKey + L"\\LocalServer32", L"")->second,
              folder + L"\\ZarvoKernel.exe");
    EXPECT_EQ(Value(HKEY_CLASSES_ROOT, L"Zarvo.AxApplication\\CurVer", L"")->second,
              L"Zarvo.AxApplication.1");
    EXPECT_TRUE(Value(HKEY_CLASSES_ROOT, L"TypeLib\\{4A9D62C1-E873-4B25-8F1E-6D0B93A5C2E7}\\1.0", L""));

    using TValue = std::pair<DWORD, std::wstring>;
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, ProductKeyPath, L"ProgPath"), TValue(REG_SZ, folder));
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, ProductKeyPath, L"BuildDate"), TValue(REG_SZ, L"08.04.2005"));
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, InstallKeyPath, L"InstalledDistribFileName"),
              TValue(REG_SZ, ModulePath));
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, InstallKeyPath, L"InstalledDistribFileTime"),
              TValue(REG_SZ, std::to_wstring(GetFileWriteTime(ModulePath))));
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, InstallKeyPath, L"AutoReinstall"), TValue(REG_DWORD, L"1"));

    // Over an existing installation: the same, with the runtime library already in place.
    std::erase_if(expected,
                  [](const std::wstring& line) { return line.find(L"RTW32") != std::wstring::npos; });
    EXPECT_EQ(Install(Input(false)), expected);
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, InstallKeyPath, L"AutoReinstall"), TValue(REG_DWORD, L"0"));
}

TEST_F(Runs, TheUnattendedReinstallKeepsTheStoredChoice) {
    state->SetAutoReinstall(1);
    state->SetProgPath(folder);
    TReportRecorder log;
    RunInstallation(Input(std::nullopt), log);
    EXPECT_EQ(log.lines.back(), L"Установка ПО \"Вирдана\" успешно завершена.");
    EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, InstallKeyPath, L"AutoReinstall")->second, L"1");
}

// The list's lines decide what is unpacked and where the run stops.
TEST_F(Runs, TheDistributionListDecidesWhatIsUnpackedAndWhereTheRunStops) {
    const std::wstring done = L"Установка ПО \"Вирдана\" успешно завершена.";
    // The missing library's own line comes last, after its "не зарегистрирован".
    const std::wstring noConfig = L"Ошибка: Невозможно загрузить " + UpperCase(folder + L"\\Tornel.dll");
    struct TCase {
        std::vector<std::wstring> lines;
        std::vector<std::wstring> unpacking; // the lines after "Создание пути"
        std::vector<std::wstring> files;     // in the folder afterwards
        std::wstring last;                   // how the run ends (its start), when not at the list
    } cases[] = {
        // A trailing blank matches nothing.
        {{L"Orvan.exe", L"Orvan.exe ", L"Pelmar.dll"},
         {L"Orvan.exe" + Ok, L"Ошибка: Невозможно распаковать Orvan.exe "},
         {L"Orvan.exe"},
         L""},
        // Only what lies below Dist counts.
        {{L"RTW32.dll"}, {L"Ошибка: Невозможно распаковать RTW32.dll"}, {}, L""},
        // A prefix of two entries unpacks both; registration then misses the configuration library.
        {{L"ZarvoKernel"}, {L"ZarvoKernel" + Ok}, {L"ZarvoKernel.exe", L"ZarvoKernel.tlb"}, noConfig},
        // An empty line matches every entry.
        {{L""}, {Ok}, FilesIn(ProductDir()), done},
        // Nothing unpacked: registration ends at the missing type library.
        {{}, {}, {}, L"Ошибка: Регистрация TLB: "},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(::testing::PrintToString(test.lines));
        list = test.lines;
        std::vector<std::wstring> log = Install();
        std::vector<std::wstring> start = Join({L"Создание пути " + folder}, test.unpacking);
        ASSERT_GE(log.size(), start.size());
        EXPECT_EQ(std::vector(log.begin(), log.begin() + ptrdiff_t(start.size())), start);
        if (test.last.empty())
            EXPECT_EQ(log.size(), start.size());
        else
            EXPECT_EQ(log.back().substr(0, test.last.size()), test.last);
        EXPECT_EQ(FilesIn(folder), test.files);
        EXPECT_EQ(Value(HKEY_LOCAL_MACHINE, ProductKeyPath, L"ProgPath").has_value(), test.last == done);
        RunRemovalQuietly();
        TInstallState::Clear();
        for (const std::wstring& name : FilesIn(folder))
            DeleteFileW((folder + L"\\" + name).c_str());
    }
}

TEST_F(Runs, AFailureStopsTheInstallationWhereItHappens) {
    // A file where the folder should be.
    ASSERT_TRUE(CreateDirectoryW((*temp / L"Program Files").c_str(), nullptr));
    ASSERT_TRUE(WriteTextFile(folder, "in the way"));
    EXPECT_EQ(Install(), std::vector<std::wstring>{L"Ошибка: Невозможно создать путь " + folder});
    DeleteFileW(folder.c_str());

    // A file of the folder held open without sharing: the lines before it are unpacked.
    ASSERT_TRUE(ForceDirectories(folder));
    ASSERT_GE(list.size(), 3u);
    const std::wstring held = list[2];
    {
        THandle open(CreateFileW((folder + L"\\" + held).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(open.Valid());
        TReportRecorder log;
        TRunOutcome outcome = RunInstallation(Input(), log);
        // The system's reason follows the line that failed.
        EXPECT_EQ(log.lines, Join(Unpacked({list[0], list[1]}),
                                  {L"Ошибка: Невозможно распаковать " + held,
                                   L"Ошибка: " + held + L": " + SystemErrorText(ERROR_SHARING_VIOLATION)}));
        EXPECT_EQ(outcome.result, TRunResult::Stopped);
        EXPECT_EQ(outcome.reason, L"Невозможно распаковать " + held);
    }
    EXPECT_FALSE(Value(HKEY_LOCAL_MACHINE, ProductKeyPath, L"ProgPath"));

    // The drive fills up as a later file is placed: its line fails as the held one did.
    ASSERT_GE(list.size(), 4u);
    system.fullAt = list[3];
    session->InstallPath = folder;
    {
        TReportRecorder log;
        TRunOutcome outcome = RunInstallation(session->RunInput(), log);
        EXPECT_EQ(log.lines, Join(Unpacked({list[0], list[1], list[2]}),
                                  {L"Ошибка: Невозможно распаковать " + list[3],
                                   L"Ошибка: " + list[3] + L": " + SystemErrorText(ERROR_DISK_FULL)}));
        EXPECT_EQ(outcome.result, TRunResult::Stopped);
    }
    EXPECT_FALSE(PathExists(folder + L"\\" + list[3]));
    system.fullAt.clear();

    // Without a folder the installation touches nothing: one error line, and the run stops. The removal
    // skips what goes through the folder, saying why, and goes on to its end.
    const std::wstring noFolder = L"Не указан путь для установки";
    TRunInput input = Input();
    input.installPath.clear();
    {
        TReportRecorder log;
        TRunOutcome outcome = RunInstallation(input, log);
        EXPECT_EQ(log.lines, std::vector<std::wstring>{L"Ошибка: " + noFolder});
        EXPECT_EQ(outcome.result, TRunResult::Stopped);
    }
    TReportRecorder log;
    TRunOutcome outcome = RunRemoval(input, log);
    EXPECT_EQ(log.lines, (std::vector<std::wstring>{
                             L"Удаление ярлыка", L"Ошибка: Разрегистрация Zarvo: " + noFolder,
                             L"Ошибка: Файлы программы не удалены: " + noFolder,
                             L"Ошибка: Нельзя удалить каталог : " + noFolder, L"Завершение удаления",
                             L"Ошибка: Удаление ПО \"Вирдана\" завершено с ошибками."}));
    EXPECT_EQ(outcome.result, TRunResult::DoneWithErrors);
    EXPECT_EQ(outcome.reason, L"Разрегистрация Zarvo: " + noFolder);
}

// The folder is held through the run: nobody renames it away and puts another in its place between the
// check and the loads.
TEST_F(Runs, TheFolderCannotBeRenamedWhileTheRunUsesIt) {
    TRunInput input = Input();
    const std::wstring moved = folder + L" (moved)";
    // At each file placed, a try to rename the folder away.
    struct TRenameAttempt final : TPlacementFaults {
        const std::wstring &folder, &moved;
        mutable bool asked = false, renamed = false;
        TRenameAttempt(const std::wstring& from, const std::wstring& to) : folder(from), moved(to) {}
        bool PlacementFails(const std::wstring&) const override {
            asked = true;
            renamed = renamed || MoveFileW(folder.c_str(), moved.c_str());
            return false;
        }
    } attempt(folder, moved);
    const bool &asked = attempt.asked, &renamed = attempt.renamed;
    input.unpack.faults = &attempt;
    const std::vector<std::wstring> lines = Install(input);
    if (renamed)
        MoveFileW(moved.c_str(), folder.c_str());
    EXPECT_TRUE(asked);
    EXPECT_FALSE(renamed);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), L"Установка ПО \"Вирдана\" успешно завершена.");
}

TEST_F(Runs, ADamagedPayloadStopsAtTheDamagedEntry) {
    // The fourth listed file's stored checksum no longer matches its data; its header stays valid.
    const std::wstring damaged = list[3];
    std::string archive = ReadBinaryFile(archivePath);
    std::string name = "Dist\\" + WideToUtf8(damaged); // ASCII, as the OEM name is
    size_t at = archive.find(name);
    ASSERT_NE(at, std::string::npos);
    size_t header = at - 32; // the fixed fields of a file header without the 64-bit sizes
    ASSERT_EQ(uint8_t(archive[header + 2]), 0x74);
    archive[header + 16] ^= 0x55;
    size_t headerSize = uint8_t(archive[header + 5]) | uint8_t(archive[header + 6]) << 8;
    uint32_t headerCrc = Crc32(std::string_view(archive).substr(header + 2, headerSize - 2));
    archive[header] = char(headerCrc & 0xff);
    archive[header + 1] = char((headerCrc >> 8) & 0xff);
    std::wstring damagedArchive = *temp / L"damaged.rar";
    ASSERT_TRUE(WriteTextFile(damagedArchive, archive));

    TRunInput input = Input();
    input.archivePath = damagedArchive;
    EXPECT_EQ(Install(input),
              Join(Unpacked({list[0], list[1], list[2]}), {L"Ошибка: Невозможно распаковать " + damaged}));
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(ReadBinaryFile(folder + L"\\" + list[i]), ReadBinaryFile(ProductDir() + L"\\" + list[i]));
}

TEST_F(Runs, OneRunDecompressesThePayloadOnce) {
    // The runtime library in place (the first run puts it there), so only the list's lines are unpacked.
    Install();
    ResetArchiveOpenCount();
    Install();
    EXPECT_EQ(ArchiveOpenCount().extraction, 1u) << "lines: " << list.size();
}

TEST_F(Runs, RemovesWhatTheInstallationMadeAndKeepsTheInstallKey) {
    Install();
    ASSERT_TRUE(Value(HKEY_LOCAL_MACHINE, ProductKeyPath, L"ProgPath"));
    std::vector<std::wstring> unregistration = Registration(true);
    std::vector<std::wstring> expected = Join({L"Удаление ярлыка"}, unregistration);
    for (const std::wstring& name : list)
        expected.push_back(name + L" удален успешно");
    expected = Join(expected, {L"Каталог " + folder + L" удален успешно", L"Завершение удаления",
                               L"Удаление ПО \"Вирдана\" успешно завершено."});
    EXPECT_EQ(Remove(), expected);

    EXPECT_FALSE(PathExists(folder));
    EXPECT_FALSE(PathExists(ShortcutIn(CSIDL_COMMON_DESKTOPDIRECTORY)));
    EXPECT_FALSE(PathExists(ShortcutIn(CSIDL_COMMON_STARTMENU)));
    EXPECT_FALSE(Value(HKEY_CLASSES_ROOT, ClassKey, L""));
    EXPECT_FALSE(Value(HKEY_LOCAL_MACHINE, ProductKeyPath, L"ProgPath"));
    for (const wchar_t* kept : {L"InstalledDistribFileName", L"InstalledDistribFileTime", L"AutoReinstall"})
        EXPECT_TRUE(Value(HKEY_LOCAL_MACHINE, InstallKeyPath, kept)) << kept;
    EXPECT_TRUE(PathExists(SystemRuntime()));
}

// Where the copy cannot be kept (a link put in its folder's place), the product is installed all the same
// and the log says why it is not in the list; the entry of the installation before goes, since its copy
// is not there.
TEST_F(Runs, AnEntryThatCannotBeWrittenIsALineNotAFailedInstallation) {
    Install();
    ASSERT_TRUE(UninstallEntryExists());
    RemoveTree(KeptSetupFolder());
    TempFolder elsewhere;
    ASSERT_TRUE(MakeSymbolicLink(elsewhere.Path(), KeptSetupFolder()));
    TReportRecorder log;
    const TRunOutcome outcome = RunInstallation(Input(), log);
    RemoveSymbolicLink(KeptSetupFolder());
    EXPECT_EQ(outcome.result, TRunResult::Done);
    ASSERT_FALSE(log.lines.empty());
    EXPECT_EQ(log.lines.back(), L"Установка ПО \"Вирдана\" успешно завершена.");
    // The folder's refusal as it arose.
    const std::wstring notListed = L"Программа не внесена в список установленных программ Windows: "
                                   L"Папка установки является ссылкой на другую папку: " +
                                   KeptSetupFolder();
    EXPECT_NE(std::find(log.lines.begin(), log.lines.end(), notListed), log.lines.end());
    EXPECT_FALSE(UninstallEntryExists());
    EXPECT_TRUE(FilesIn(elsewhere.Path()).empty());
}

// Removal never stops: every failure is reported, and the run closes with the error line.
TEST_F(Runs, RemovalReportsEveryFailureAndGoesOn) {
    const std::wstring closing = L"Ошибка: Удаление ПО \"Вирдана\" завершено с ошибками.";
    const std::wstring folderError = L"Ошибка: Нельзя удалить каталог " + folder;
    auto contains = [](const std::vector<std::wstring>& log, const std::wstring& line) {
        return std::find(log.begin(), log.end(), line) != log.end();
    };

    // The folder already gone: unregistration fails, every file and the folder fail.
    std::vector<std::wstring> log = Remove();
    ASSERT_GE(log.size(), list.size() + 6);
    EXPECT_EQ(log[0], L"Удаление ярлыка");
    EXPECT_EQ(log[2], L"Ошибка: " + UpperCase(folder + L"\\Tornel.dll") + L" не разрегистрирован");
    EXPECT_EQ(log[3].substr(0, 29), L"Ошибка: Невозможно загрузить ");
    for (size_t i = 0; i < list.size(); ++i)
        EXPECT_EQ(log[4 + i], L"Ошибка: Невозможно удалить " + list[i]);
    EXPECT_EQ(std::vector(log.end() - 3, log.end()),
              (std::vector<std::wstring>{folderError, L"Завершение удаления", closing}));

    // A file of the product's own keeps the folder; a held file is reported and the later ones still go;
    // a failed unregistration keeps the COM entries; a line leaving the folder deletes nothing. Files of the
    // user's that share the staging's name start stay through a reinstall and the removal.
    Install();
    const std::wstring notes = folder + L"\\ZarvoUnpack-notes.txt", userFolder = folder + L"\\ZarvoUnpack-x";
    ASSERT_TRUE(WriteTextFile(notes, "notes"));
    ASSERT_TRUE(CreateDirectoryW(userFolder.c_str(), nullptr));
    Install();
    EXPECT_TRUE(PathExists(notes) && PathExists(userFolder));
    ASSERT_TRUE(WriteTextFile(folder + L"\\user.cfg", "settings"));
    ASSERT_TRUE(WriteTextFile(*temp / L"outside.txt", "not ours"));
    ASSERT_TRUE(DeleteFileW((folder + L"\\Tornel.dll").c_str()));
    list.push_back(L"..\\..\\outside.txt");
    THandle held(
        CreateFileW((folder + L"\\" + list[0]).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held.Valid());
    log = Remove();
    held.Reset();
    EXPECT_TRUE(contains(log, L"Ошибка: Невозможно удалить " + list[0]));
    EXPECT_TRUE(contains(log, list[1] + L" удален успешно"));
    EXPECT_TRUE(contains(log, L"Ошибка: Невозможно удалить ..\\..\\outside.txt"));
    EXPECT_TRUE(contains(log, folderError));
    EXPECT_EQ(log.back(), closing);
    EXPECT_TRUE(PathExists(*temp / L"outside.txt"));
    EXPECT_TRUE(PathExists(folder + L"\\user.cfg"));
    EXPECT_TRUE(PathExists(notes) && PathExists(userFolder));
    EXPECT_FALSE(PathExists(folder + L"\\" + list[1]));
    EXPECT_TRUE(Value(HKEY_CLASSES_ROOT, ClassKey, L""));
    EXPECT_FALSE(Value(HKEY_LOCAL_MACHINE, ProductKeyPath, L"ProgPath"));
}

// A folder that leads elsewhere could lead to the system's own: it is refused before anything changes,
// and neither an installation nor a removal goes through it (the removal still deletes what lies
// elsewhere: the shortcuts, the product key). The folder a run makes is the
// administrators' own: nothing in it is granted to everyone, as it is in a folder made the plain way.
TEST_F(Runs, AFolderThatLeadsElsewhereIsRefusedAndAMadeOneIsTheAdministratorsOwn) {
    Install();
    auto access = [](const std::wstring& path) {
        PACL acl = nullptr;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        wchar_t* text = nullptr;
        std::wstring result;
        if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                  &acl, nullptr, &descriptor) == ERROR_SUCCESS &&
            ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1,
                                                                 DACL_SECURITY_INFORMATION, &text, nullptr))
            result = text;
        LocalFree(text);
        LocalFree(descriptor);
        return result;
    };
    ASSERT_TRUE(CreateDirectoryW((*temp / L"plain").c_str(), nullptr));
    EXPECT_NE(access(*temp / L"plain").find(L";;;WD)"), std::wstring::npos);
    EXPECT_EQ(access(*temp / L"Program Files").find(L";;;WD)"), std::wstring::npos)
        << WideToUtf8(access(*temp / L"Program Files"));

    const std::wstring installed = folder;
    folder = *temp / L"Linked Zarvo";
    ASSERT_TRUE(MakeSymbolicLink(installed, folder));
    const std::wstring refusal = L"Папка установки является ссылкой на другую папку: " + folder;
    {
        TReportRecorder log;
        EXPECT_FALSE(CheckInstallTarget(folder, archivePath, system, log));
        EXPECT_EQ(log.lines, std::vector<std::wstring>{L"Ошибка: " + refusal});
    }
    EXPECT_EQ(Install(), std::vector<std::wstring>{L"Ошибка: " + refusal});
    EXPECT_EQ(Remove(),
              (std::vector<std::wstring>{L"Удаление ярлыка", L"Ошибка: Разрегистрация Zarvo: " + refusal,
                                         L"Ошибка: Файлы программы не удалены: " + refusal,
                                         L"Ошибка: Нельзя удалить каталог " + folder + L": " + refusal,
                                         L"Завершение удаления",
                                         L"Ошибка: Удаление ПО \"Вирдана\" завершено с ошибками."}));
    EXPECT_FALSE(Value(HKEY_LOCAL_MACHINE, ProductKeyPath, L"ProgPath"));
    for (const std::wstring& name : list)
        EXPECT_TRUE(PathExists(installed + L"\\" + name)) << WideToUtf8(name);
    EXPECT_TRUE(RemoveSymbolicLink(folder));
    folder = installed;
}

// A folder below a linked one (a relocated Program Files, a mounted volume) is no link itself: the link is
// followed once, at the check, and the runs install and remove through the folder it leads to.
TEST_F(Runs, AFolderBelowALinkedFolderIsInstalledAndRemoved) {
    const std::wstring real = *temp / L"Real Programs", linked = *temp / L"Programs", standard = folder;
    ASSERT_TRUE(CreateDirectoryW(real.c_str(), nullptr));
    ASSERT_TRUE(MakeSymbolicLink(real, linked));
    folder = linked + L"\\Zarvo";
    EXPECT_EQ(Install().back(), TextInstallDone);
    for (const std::wstring& name : list)
        EXPECT_TRUE(PathExists(real + L"\\Zarvo\\" + name)) << WideToUtf8(name);
    EXPECT_EQ(Remove().back(), TextRemovalDone);
    EXPECT_FALSE(PathExists(real + L"\\Zarvo"));
    EXPECT_TRUE(RemoveSymbolicLink(linked));
    folder = standard;
}

// A folder others may fill, or one below a folder others may empty (and so rename the folder away and put
// another in its place), is refused before anything is made; C:\ letting users add folders is no reason.
TEST_F(Runs, AFolderOthersCanWriteOrMoveIsRefusedBeforeAnythingIsMade) {
    const std::wstring writable = *temp / L"Writable", shared = *temp / L"Shared";
    TLocalMemory open;
    PACL everyone = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;FA;;;WD)", SDDL_REVISION_1,
                                                                     open.Receive(), nullptr));
    ASSERT_TRUE(GetSecurityDescriptorDacl(open.Get(), &present, &everyone, &defaulted));
    for (const std::wstring& path : {writable, shared}) {
        ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
        ASSERT_EQ(SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT,
                                        DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                        nullptr, nullptr, everyone, nullptr),
                  DWORD(ERROR_SUCCESS));
    }
    const struct {
        std::wstring folder, refusal;
    } cases[] = {
        {writable, L"Ошибка: Программы пользователя могут добавлять и удалять файлы в папке установки или "
                   L"менять её права: " +
                       writable},
        {shared + L"\\Zarvo", L"Ошибка: Программы пользователя могут переименовать или заменить папку на "
                              L"пути к папке установки: " +
                                  shared},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(WideToUtf8(test.folder));
        TReportRecorder log;
        EXPECT_FALSE(CheckInstallTarget(test.folder, archivePath, system, log));
        EXPECT_EQ(log.lines, std::vector<std::wstring>{test.refusal});
        folder = test.folder;
        EXPECT_EQ(Install(), std::vector<std::wstring>{test.refusal});
        EXPECT_TRUE(FilesIn(test.folder).empty());
    }
    EXPECT_FALSE(PathExists(shared + L"\\Zarvo"));
    folder = (*temp / L"Program Files") + L"\\Zarvo";
}

// Before anything changes: room on the drive, the path's length, a folder that can be written.
TEST_F(Runs, TheTargetIsCheckedBeforeAnythingChanges) {
    struct TCase {
        std::wstring folder;
        std::optional<uint64_t> freeBytes;
        bool writable;
        std::wstring refusal; // empty: accepted
    } cases[] = {
        {folder, 1ull << 40, true, L""},
        {folder, 1, true, L"Ошибка: Недостаточно места на диске: нужно "},
        {folder, std::nullopt, true, L""},
        {folder, 1ull << 40, false,
         L"Ошибка: Нет доступа к каталогу " + temp->Folder().substr(0, temp->Folder().size() - 1)},
        {L"C:\\" + std::wstring(240, L'z'), 1ull << 40, true, L"Ошибка: Путь для установки слишком длинный"},
        {L"Q:\\Zarvo\\Sub", 1ull << 40, true, L"Ошибка: Диск Q: не найден или не готов"},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(WideToUtf8(test.refusal));
        system.freeSpace = test.freeBytes;
        system.writable = test.writable;
        TReportRecorder log;
        EXPECT_EQ(CheckInstallTarget(test.folder, archivePath, system, log), test.refusal.empty());
        if (test.refusal.empty())
            EXPECT_TRUE(log.lines.empty());
        else
            EXPECT_EQ(log.lines.at(0).substr(0, test.refusal.size()), test.refusal);
        EXPECT_FALSE(PathExists(test.folder)) << "nothing is created";
    }
}

// Files of the product already in the folder give their room back as they are replaced: a reinstall
// needs room for its largest file, staged beside the one it replaces, not for the whole product.
TEST_F(Runs, FreeSpaceCountsTheFilesTheRunReplaces) {
    TFolderExtent extent;
    ASSERT_TRUE(ReadFolderExtent(archivePath, L"Dist", folder, extent));
    ASSERT_GT(extent.unpackedBytes, 2 * extent.largestEntry);
    const std::wstring empty = *temp / L"Empty";
    ASSERT_TRUE(ForceDirectories(empty));
    Install();
    ASSERT_TRUE(Value(HKEY_LOCAL_MACHINE, ProductKeyPath, L"ProgPath"));
    struct TCase {
        std::wstring target;
        uint64_t freeBytes;
        bool accepted;
    } cases[] = {
        {folder, extent.largestEntry, true},
        {folder, extent.largestEntry - 1, false},
        {empty, extent.unpackedBytes - 1, false},
        {empty, extent.unpackedBytes, true},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(WideToUtf8(test.target) + " " + std::to_string(test.freeBytes));
        system.freeSpace = test.freeBytes;
        TReportRecorder log;
        EXPECT_EQ(CheckInstallTarget(test.target, archivePath, system, log), test.accepted);
    }
    system.freeSpace.reset();
}

} // namespace
} // namespace zarvo::testing
