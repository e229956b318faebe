// The real SetupZarvo.exe and the system's list of installed programs under Wine: the entry a silent
// installation writes, as Wine's own "uninstaller --list" shows it, the kept copy of the setup it starts,
// and its removal by the plain and by the quiet command of the entry.

#include "Driver.h"
#include "MachineState.h"

#include "common/Handles.h"
#include "common/SetupError.h"
#include "common/Text.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace zarvo;
using namespace zarvo::e2e;
using namespace zarvo::testing;

namespace {

std::string U8(const std::wstring& text) {
    return WideToUtf8(text);
}

// Starts the program and waits for its end; its exit code, or -1 when it did not end in time.
long RunToEnd(const std::wstring& program, const std::wstring& arguments) {
    TChildProcess process;
    if (!process.Start(program, arguments))
        return -1;
    std::optional<DWORD> code = process.WaitForExit(RunWaitMs);
    return code ? long(*code) : -1;
}

// A command of the entry split as the system starts it: the quoted program, then its arguments.
std::pair<std::wstring, std::wstring> SplitCommand(const std::wstring& command) {
    if (command.size() < 2 || command[0] != L'"')
        return {};
    size_t close = command.find(L'"', 1);
    if (close == std::wstring::npos)
        return {};
    std::wstring arguments = command.substr(close + 1);
    arguments.erase(0, arguments.find_first_not_of(L' '));
    return {command.substr(1, close - 1), arguments};
}

// The lines of Wine's "uninstaller --list": key|||display name, one per listed program.
std::vector<std::wstring> ListedPrograms() {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    THandle readEnd, writeEnd;
    if (!CreatePipe(readEnd.Receive(), writeEnd.Receive(), &inherit, 0))
        return {};
    SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.Get();
    startup.hStdError = writeEnd.Get();
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring program = std::wstring(system) + L"\\uninstaller.exe";
    std::wstring commandLine = L"\"" + program + L"\" --list";
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &info))
        return {};
    THandle process(info.hProcess), thread(info.hThread);
    writeEnd.Reset();
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(readEnd.Get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    WaitForSingleObject(process.Get(), 30000);
    // Written in the OEM code page, as to a console.
    std::wstring text(bytes.size(), L'\0');
    text.resize(size_t(MultiByteToWideChar(CP_OEMCP, 0, bytes.data(), int(bytes.size()), text.data(),
                                           int(text.size()))));
    std::vector<std::wstring> lines;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find_first_of(L"\r\n", start);
        if (end == std::wstring::npos)
            end = text.size();
        if (end > start)
            lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

size_t TimesListed() {
    std::vector<std::wstring> lines = ListedPrograms();
    return size_t(std::count_if(lines.begin(), lines.end(), [](const std::wstring& line) {
        return line.find(L"|||Вирдана") != std::wstring::npos;
    }));
}

std::wstring Today() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return DecimalText(now.wYear, 4) + DecimalText(now.wMonth, 2) + DecimalText(now.wDay, 2);
}

DWORD ProductKilobytes() {
    uint64_t bytes = 0;
    for (const std::wstring& name : ProductFiles())
        bytes += ReadBinaryFile(ProductFolder() + L"\\" + name).size();
    return DWORD((bytes + 1023) / 1024);
}

// The deletions the session manager makes at the next restart, as "\??\" paths.
std::vector<std::wstring> PendingDeletions() {
    std::vector<std::wstring> paths;
    DWORD size = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, SessionManagerKeyPath, L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ,
                     nullptr, nullptr, &size) != ERROR_SUCCESS)
        return paths;
    std::wstring data(size / sizeof(wchar_t), L'\0');
    if (RegGetValueW(HKEY_LOCAL_MACHINE, SessionManagerKeyPath, L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ,
                     nullptr, data.data(), &size) != ERROR_SUCCESS)
        return paths;
    // Pairs of source and target; an empty target deletes the source.
    std::vector<std::wstring> strings;
    for (size_t start = 0; start < data.size();) {
        size_t end = data.find(L'\0', start);
        if (end == std::wstring::npos)
            end = data.size();
        strings.push_back(data.substr(start, end - start));
        start = end + 1;
    }
    for (size_t index = 0; index + 1 < strings.size(); index += 2)
        if (!strings[index].empty() && strings[index + 1].empty())
            paths.push_back(strings[index]);
    return paths;
}

class AppsEntry : public ::testing::Test {
protected:
    void SetUp() override { ClearMachine({DefaultInstallFolder()}); }
    void TearDown() override { ClearMachine({DefaultInstallFolder()}); }

    void InstallSilently() { ASSERT_EQ(RunToEnd(SetupExePath(), L"/silent"), 0); }
    std::wstring Command(const wchar_t* name) {
        std::optional<TRegValue> value = ReadValue(HKEY_LOCAL_MACHINE, UninstallKeyPath, name);
        return value ? value->text : L"";
    }
    void ExpectGone(bool keptCopyGone) {
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath));
        EXPECT_EQ(TimesListed(), 0u);
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ProductKeyPath));
        EXPECT_FALSE(PathExists(DefaultInstallFolder()));
        if (keptCopyGone) {
            EXPECT_FALSE(PathExists(KeptSetupFolder()));
        }
    }
};

TEST_F(AppsEntry, SilentInstallationListsTheProductAndSilentRemovalTakesItOff) {
    ASSERT_NO_FATAL_FAILURE(InstallSilently());
    const std::wstring folder = DefaultInstallFolder(), kept = KeptSetupPath();
    const std::wstring quoted = L"\"" + kept + L"\"";
    const std::map<std::wstring, TRegValue> expected = {
        {L"DisplayName", {REG_SZ, L"Вирдана"}},
        {L"Publisher", {REG_SZ, L"Varnex"}},
        {L"DisplayVersion", {REG_SZ, L"1.0.0.1"}},
        {L"DisplayIcon", {REG_SZ, folder + L"\\Orvan.exe"}},
        {L"InstallLocation", {REG_SZ, folder}},
        {L"InstallDate", {REG_SZ, Today()}},
        {L"EstimatedSize", {REG_DWORD, L"", ProductKilobytes()}},
        {L"UninstallString", {REG_SZ, quoted}},
        {L"QuietUninstallString", {REG_SZ, quoted + L" /silent /remove"}},
        {L"NoModify", {REG_DWORD, L"", 1}},
        {L"NoRepair", {REG_DWORD, L"", 1}},
    };
    const std::map<std::wstring, TRegValue> values = ValuesOf(HKEY_LOCAL_MACHINE, UninstallKeyPath);
    for (const auto& [name, value] : expected) {
        auto found = values.find(name);
        ASSERT_NE(found, values.end()) << U8(name);
        EXPECT_EQ(found->second.type, value.type) << U8(name);
        EXPECT_EQ(U8(found->second.text), U8(value.text)) << U8(name);
        EXPECT_EQ(found->second.number, value.number) << U8(name);
    }
    EXPECT_EQ(values.size(), expected.size());
    EXPECT_EQ(TimesListed(), 1u);
    // The copy is the setup that ran, byte for byte.
    EXPECT_EQ(ReadBinaryFile(kept), ReadBinaryFile(SetupExePath()));

    ASSERT_EQ(RunToEnd(SetupExePath(), L"/silent /remove"), 0);
    ExpectGone(true);
}

TEST_F(AppsEntry, ReinstallRewritesTheOneEntryAndTheCopy) {
    ASSERT_NO_FATAL_FAILURE(InstallSilently());
    ASSERT_TRUE(WriteTextFile(KeptSetupPath(), "not the setup"));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, UninstallKeyPath, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    RegSetValueExW(key, L"DisplayVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"0"), 2 * sizeof(wchar_t));
    RegCloseKey(key);

    // Installed: the silent start reinstalls over it.
    ASSERT_NO_FATAL_FAILURE(InstallSilently());
    EXPECT_EQ(TimesListed(), 1u);
    EXPECT_EQ(U8(Command(L"DisplayVersion")), "1.0.0.1");
    EXPECT_EQ(ReadBinaryFile(KeptSetupPath()), ReadBinaryFile(SetupExePath()));
}

TEST_F(AppsEntry, UninstallStringOpensTheWizardOnTheMaintenancePage) {
    ASSERT_NO_FATAL_FAILURE(InstallSilently());
    auto [program, arguments] = SplitCommand(Command(L"UninstallString"));
    ASSERT_EQ(U8(program), U8(KeptSetupPath()));
    ASSERT_TRUE(PathExists(program));
    TWizard wizard(program, arguments);
    ASSERT_TRUE(wizard.WaitForForm());
    EXPECT_TRUE(wizard.WaitForPage(TControlId::SheetAlready));
    // Removed from the copy the list started: the entry goes at once, the copy at the next restart.
    ASSERT_TRUE(wizard.Click(TControlId::RemoveButton));
    ASSERT_TRUE(wizard.WaitForFinished());
    ASSERT_TRUE(wizard.Click(TControlId::ForwardButton));
    std::optional<DWORD> code = wizard.Process().WaitForExit(DefaultWaitMs);
    ASSERT_TRUE(code);
    EXPECT_EQ(*code, 0u);
    ExpectGone(false);
    std::vector<std::wstring> pending = PendingDeletions();
    EXPECT_NE(std::find(pending.begin(), pending.end(), L"\\??\\" + KeptSetupPath()), pending.end());
}

TEST_F(AppsEntry, QuietUninstallStringRemovesAndTheCopyGoesAtTheRestart) {
    ASSERT_NO_FATAL_FAILURE(InstallSilently());
    auto [program, arguments] = SplitCommand(Command(L"QuietUninstallString"));
    ASSERT_EQ(U8(program), U8(KeptSetupPath()));
    ASSERT_EQ(RunToEnd(program, arguments), 0);
    ExpectGone(false);
    // The copy ran: it and its folder are left to the session manager, in that order.
    std::vector<std::wstring> pending = PendingDeletions();
    auto copy = std::find(pending.begin(), pending.end(), L"\\??\\" + KeptSetupPath());
    auto folder = std::find(pending.begin(), pending.end(), L"\\??\\" + KeptSetupFolder());
    EXPECT_NE(copy, pending.end());
    EXPECT_NE(folder, pending.end());
    EXPECT_LT(copy, folder);
}

} // namespace
