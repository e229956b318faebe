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

#include <oleacc.h>
#include <wrl/client.h>

#include <cstdio>

using namespace zarvo;
using namespace zarvo::e2e;
using namespace zarvo::testing;

namespace {

std::string U8(const std::wstring& text) {
    return WideToUtf8(text);
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

// How often Wine's "uninstaller --list" lists the product: one line "key|||display name" per program, in
// the OEM code page as to a console.
size_t TimesListed() {
    std::string bytes;
    if (FILE* list = _popen("uninstaller --list", "rb")) {
        char buffer[4096];
        while (size_t read = fread(buffer, 1, sizeof(buffer), list))
            bytes.append(buffer, read);
        _pclose(list);
    }
    std::wstring text(bytes.size(), L'\0');
    text.resize(size_t(
        MultiByteToWideChar(CP_OEMCP, 0, bytes.data(), int(bytes.size()), text.data(), int(text.size()))));
    size_t times = 0;
    for (size_t at = text.find(L"|||Вирдана\r\n"); at != std::wstring::npos;
         at = text.find(L"|||Вирдана\r\n", at + 1))
        ++times;
    return times;
}
// What a screen reader in another process gets for the window's client area.
Microsoft::WRL::ComPtr<IAccessible> AccessibleOf(HWND window) {
    Microsoft::WRL::ComPtr<IAccessible> object;
    AccessibleObjectFromWindow(window, DWORD(OBJID_CLIENT), IID_IAccessible,
                               reinterpret_cast<void**>(object.GetAddressOf()));
    return object;
}

std::wstring AccessibleName(HWND window, LONG child = CHILDID_SELF) {
    TComInit com;
    std::wstring text;
    if (Microsoft::WRL::ComPtr<IAccessible> object = AccessibleOf(window)) {
        VARIANT id{};
        id.vt = VT_I4;
        id.lVal = child;
        BSTR name = nullptr;
        if (object->get_accName(id, &name) == S_OK && name != nullptr)
            text.assign(name, SysStringLen(name));
        SysFreeString(name);
    }
    return text;
}

LONG AccessibleChildCount(HWND window) {
    TComInit com;
    LONG count = -1;
    if (Microsoft::WRL::ComPtr<IAccessible> object = AccessibleOf(window))
        object->get_accChildCount(&count);
    return count;
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

// Where in the session manager's list for the next restart the file is deleted (a source followed by
// an empty target); npos when it is not.
size_t PendingDeletion(const std::wstring& path) {
    std::wstring data(32768, L'\0');
    DWORD size = DWORD(data.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_LOCAL_MACHINE, SessionManagerKeyPath, L"PendingFileRenameOperations",
                     RRF_RT_REG_MULTI_SZ, nullptr, data.data(), &size) != ERROR_SUCCESS)
        return std::wstring::npos;
    const std::wstring entry = std::wstring(L"\0\\??\\") + path + L'\0' + L'\0';
    return (L'\0' + data.substr(0, size / sizeof(wchar_t))).find(entry);
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
    EXPECT_EQ(ValuesOf(HKEY_LOCAL_MACHINE, UninstallKeyPath), expected);
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
    RegSetValueExW(key, L"DisplayVersion", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"0"),
                   2 * sizeof(wchar_t));
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
    // A screen reader asks from its own process: the picture buttons by their labels.
    EXPECT_EQ(U8(AccessibleName(wizard.Control(TControlId::RestoreButton))), "Восстановить. Обновить.");
    EXPECT_EQ(U8(AccessibleName(wizard.Control(TControlId::RemoveButton))), "Удалить.");
    // Removed from the copy the list started: the entry goes at once, the copy at the next restart.
    ASSERT_TRUE(wizard.Click(TControlId::RemoveButton));
    ASSERT_TRUE(wizard.WaitForFinished());
    // The log as a list with an item per line.
    const std::vector<std::wstring> log = wizard.ReadLog();
    ASSERT_FALSE(log.empty());
    HWND list = wizard.Control(TControlId::M);
    EXPECT_EQ(AccessibleChildCount(list), LONG(log.size()));
    EXPECT_EQ(U8(AccessibleName(list, 1)), U8(log.front()));
    EXPECT_EQ(U8(AccessibleName(list, LONG(log.size()))), U8(log.back()));
    ASSERT_TRUE(wizard.Click(TControlId::ForwardButton));
    std::optional<DWORD> code = wizard.Process().WaitForExit(DefaultWaitMs);
    ASSERT_TRUE(code);
    EXPECT_EQ(*code, 0u);
    ExpectGone(false);
    EXPECT_NE(PendingDeletion(KeptSetupPath()), std::wstring::npos);
}

TEST_F(AppsEntry, QuietUninstallStringRemovesAndTheCopyGoesAtTheRestart) {
    ASSERT_NO_FATAL_FAILURE(InstallSilently());
    auto [program, arguments] = SplitCommand(Command(L"QuietUninstallString"));
    ASSERT_EQ(U8(program), U8(KeptSetupPath()));
    ASSERT_EQ(RunToEnd(program, arguments), 0);
    ExpectGone(false);
    // The copy ran: it and its folder are left to the session manager, in that order.
    const size_t copy = PendingDeletion(KeptSetupPath()), folder = PendingDeletion(KeptSetupFolder());
    EXPECT_NE(copy, std::wstring::npos);
    EXPECT_NE(folder, std::wstring::npos);
    EXPECT_LT(copy, folder);

    // Installed again before the restart: the restart must not take the new copy and leave the entry
    // naming a path any user may fill.
    ASSERT_NO_FATAL_FAILURE(InstallSilently());
    EXPECT_EQ(PendingDeletion(KeptSetupPath()), std::wstring::npos);
    EXPECT_EQ(PendingDeletion(KeptSetupFolder()), std::wstring::npos);
    EXPECT_TRUE(PathExists(KeptSetupPath()));
    EXPECT_EQ(U8(SplitCommand(Command(L"QuietUninstallString")).first), U8(KeptSetupPath()));
}

} // namespace
