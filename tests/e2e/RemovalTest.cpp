// The real SetupZarvo.exe removing an installation when something fails on the way: the removal still goes
// to its end, deletes the product key, the shortcuts and the list's entry, and writes its closing line, so
// that the product is never left offered as installed with no way to remove it.

#include "Driver.h"
#include "MachineState.h"

#include "common/Handles.h"
#include "common/SetupError.h"
#include "tests/support/Links.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <aclapi.h>

#include <algorithm>
#include <functional>

using namespace zarvo;
using namespace zarvo::e2e;
using namespace zarvo::testing;

namespace {

// While it lives, nobody may set values in the machine's classes, administrators included: the
// unregistration cannot open them for writing and raises. Reading them stays allowed.
class TMachineClassesLocked {
public:
    TMachineClassesLocked() {
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0, READ_CONTROL | WRITE_DAC, key_.Receive());
        DWORD size = 0;
        RegGetKeySecurity(key_.Get(), DACL_SECURITY_INFORMATION, nullptr, &size);
        saved_.resize(size);
        if (!key_ || RegGetKeySecurity(key_.Get(), DACL_SECURITY_INFORMATION, saved_.data(), &size) != 0)
            return;
        PACL dacl = nullptr, locked = nullptr;
        BOOL present = FALSE, defaulted = FALSE;
        GetSecurityDescriptorDacl(saved_.data(), &present, &dacl, &defaulted);
        EXPLICIT_ACCESSW deny{};
        BuildExplicitAccessWithNameW(&deny, const_cast<wchar_t*>(L"EVERYONE"), KEY_SET_VALUE, DENY_ACCESS, 0);
        SECURITY_DESCRIPTOR descriptor;
        locked_ = SetEntriesInAclW(1, &deny, dacl, &locked) == ERROR_SUCCESS &&
                  InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
                  SetSecurityDescriptorDacl(&descriptor, TRUE, locked, FALSE) &&
                  RegSetKeySecurity(key_.Get(), DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
        LocalFree(locked);
    }
    TMachineClassesLocked(const TMachineClassesLocked&) = delete;
    TMachineClassesLocked& operator=(const TMachineClassesLocked&) = delete;
    ~TMachineClassesLocked() {
        if (locked_)
            RegSetKeySecurity(key_.Get(), DACL_SECURITY_INFORMATION, saved_.data());
    }

    bool Locked() const { return locked_; }

private:
    TRegKey key_;
    std::vector<BYTE> saved_;
    bool locked_ = false;
};

// The log file's lines as the log view shows them: an information line as its text, an error line as
// caption + ": " + text (the file has the time and the status before each).
std::vector<std::wstring> LogLines(const std::wstring& file) {
    const std::wstring text = Utf8ToWide(ReadBinaryFile(file));
    std::vector<std::wstring> lines;
    for (size_t start = 0, end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        if (end - start > 30)
            lines.push_back(text.substr(start + 30, end - start - 30));
    return lines;
}

// Whether the lines hold these, in this order, with others between them.
bool HoldsInOrder(const std::vector<std::wstring>& lines, const std::vector<std::wstring>& expected) {
    auto next = lines.begin();
    for (const std::wstring& line : expected) {
        next = std::find(next, lines.end(), line);
        if (next == lines.end())
            return false;
        ++next;
    }
    return true;
}

std::string Dump(const std::vector<std::wstring>& lines) {
    std::wstring text;
    for (const std::wstring& line : lines)
        text += line + L"\n";
    return WideToUtf8(text);
}

class Removal : public ::testing::Test {
protected:
    void SetUp() override { ClearMachine({folder, moved}); }
    void TearDown() override {
        RemoveSymbolicLink(folder);
        ClearMachine({folder, moved});
    }

    const std::wstring folder = DefaultInstallFolder();
    const std::wstring moved = folder + L" (moved)";
    TempFolder logs;
};

TEST_F(Removal, GoesToItsEndWhenTheFolderIsRefusedOrAStageRaises) {
    const std::wstring refusal = L"Папка установки является ссылкой на другую папку: " + folder;
    std::optional<TMachineClassesLocked> locked;
    struct TCase {
        const char* name;
        std::function<bool()> fault;
        std::vector<std::wstring> lines; // among the log's lines, in this order
        bool filesDeleted;
    } cases[] = {
        // The folder made a link to where it now is: nothing is unregistered or deleted through it.
        {"folder became a link",
         [&] { return MoveFileW(folder.c_str(), moved.c_str()) && MakeSymbolicLink(moved, folder); },
         {L"Удаление ярлыка", L"Ошибка: Разрегистрация Zarvo: " + refusal,
          L"Ошибка: Файлы программы не удалены: " + refusal,
          L"Ошибка: Нельзя удалить каталог " + folder + L": " + refusal, L"Завершение удаления"},
         false},
        {"unregistration raises",
         [&] { return locked.emplace().Locked(); },
         {L"Удаление ярлыка", L"Разрегистрация Zarvo", L"Ошибка: " + SystemErrorText(ERROR_ACCESS_DENIED),
          L"Orvan.exe удален успешно", L"Каталог " + folder + L" удален успешно", L"Завершение удаления"},
         true},
    };
    for (TCase& test : cases) {
        SCOPED_TRACE(test.name);
        ASSERT_EQ(RunToEnd(SetupExePath(), L"/silent"), 0);
        ASSERT_TRUE(test.fault());
        const std::wstring log = logs / (Utf8ToWide(test.name) + L".log");

        EXPECT_EQ(RunToEnd(SetupExePath(), L"/silent /remove \"/log=" + log + L"\""), 1);
        locked.reset();

        const std::vector<std::wstring> lines = LogLines(log);
        std::vector<std::wstring> expected = test.lines;
        expected.push_back(L"Ошибка: Удаление ПО \"Вирдана\" завершено с ошибками.");
        EXPECT_TRUE(HoldsInOrder(lines, expected)) << Dump(lines);
        EXPECT_EQ(lines.back(), expected.back());
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ProductKeyPath));
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, InstallKeyPath));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKeyPath));
        EXPECT_FALSE(PathExists(KeptSetupPath()));
        for (const std::wstring& shortcut : ShortcutPaths())
            EXPECT_FALSE(PathExists(shortcut)) << WideToUtf8(shortcut);
        EXPECT_EQ(PathExists(moved + L"\\Orvan.exe"), !test.filesDeleted);
        // The next start sees nothing to remove.
        EXPECT_EQ(RunToEnd(SetupExePath(), L"/silent /remove \"/log=" + log + L"\""), 2);

        RemoveSymbolicLink(folder);
        ClearMachine({folder, moved});
    }
}

} // namespace
