#include "common/Registry.h"
#include "common/SetupError.h"

#include <gtest/gtest.h>

#include <functional>

using namespace zarvo;

namespace {

const wchar_t* const kBase = L"Software\\ZarvoRegistryTest";

class Registry : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeW(HKEY_CURRENT_USER, kBase); }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, kBase); }

    static void SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
        HKEY key;
        ASSERT_EQ(
            RegCreateKeyExW(HKEY_CURRENT_USER, kBase, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }

    // The stored value's type, its data copied to data.
    static DWORD StoredType(const wchar_t* name, void* data, DWORD size) {
        DWORD type = REG_NONE;
        RegGetValueW(HKEY_CURRENT_USER, kBase, name, RRF_RT_ANY | RRF_NOEXPAND, &type, data, &size);
        return type;
    }

    static std::wstring ErrorOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const ESetupError& error) {
            return error.Message();
        }
        return L"(no error)";
    }
};

} // namespace

TEST_F(Registry, OpensWithOrWithoutCreatingAndResolvesRelativeAndAbsolutePaths) {
    TRegistry registry;
    ASSERT_EQ(registry.RootKey(), HKEY_CURRENT_USER);
    EXPECT_FALSE(registry.OpenKey(L"\\" + std::wstring(kBase) + L"\\Install", false));
    EXPECT_FALSE(registry.HasCurrentKey());

    ASSERT_TRUE(registry.OpenKey(L"\\" + std::wstring(kBase) + L"\\Install", true));
    registry.WriteString(L"Where", L"install");
    // Relative to the current key.
    ASSERT_TRUE(registry.OpenKey(L"Вирдана", true));
    registry.WriteString(L"Where", L"product");
    // A leading backslash goes back to the root; a trailing one is ignored.
    ASSERT_TRUE(registry.OpenKey(L"\\" + std::wstring(kBase) + L"\\Install\\", false));
    EXPECT_EQ(registry.ReadString(L"Where"), L"install");
    ASSERT_TRUE(registry.OpenKey(L"\\" + std::wstring(kBase) + L"\\Install\\Вирдана", false));
    EXPECT_EQ(registry.ReadString(L"Where"), L"product");
    registry.CloseKey();
    // With no current key a relative path starts at the root.
    ASSERT_TRUE(registry.OpenKeyReadOnly(std::wstring(kBase) + L"\\Install\\Вирдана"));
    EXPECT_EQ(registry.ReadString(L"Where"), L"product");
    EXPECT_TRUE(registry.KeyExists(L"\\" + std::wstring(kBase) + L"\\Install"));
    EXPECT_FALSE(registry.KeyExists(L"\\" + std::wstring(kBase) + L"\\Nowhere"));
}

TEST_F(Registry, StringsAreReadAsStoredAbsentIsEmptyOtherTypesFail) {
    const wchar_t plain[] = L"C:\\Program Files\\Zarvo";
    const wchar_t expandable[] = L"%ProgramFiles%\\Zarvo";
    const wchar_t unterminated[] = {L'a', L'b', L'c'};
    DWORD number = 5;
    SetRaw(L"Plain", REG_SZ, plain, sizeof(plain));
    SetRaw(L"Expandable", REG_EXPAND_SZ, expandable, sizeof(expandable));
    SetRaw(L"Unterminated", REG_SZ, unterminated, sizeof(unterminated));
    SetRaw(L"Number", REG_DWORD, &number, sizeof(number));
    SetRaw(L"Bytes", REG_BINARY, "\x01\x02", 2);

    TRegistry registry(KEY_READ);
    ASSERT_TRUE(registry.OpenKey(kBase, false));
    EXPECT_EQ(registry.ReadString(L"Plain"), plain);
    EXPECT_EQ(registry.ReadString(L"Expandable"), expandable);
    EXPECT_EQ(registry.ReadString(L"Unterminated"), L"abc");
    EXPECT_EQ(registry.ReadString(L"Absent"), L"");
    EXPECT_EQ(ErrorOf([&] { registry.ReadString(L"Number"); }), L"Неверный тип данных значения 'Number'");
    EXPECT_EQ(ErrorOf([&] { registry.ReadString(L"Bytes"); }), L"Неверный тип данных значения 'Bytes'");
}

TEST_F(Registry, BooleansComeFromDwordsOnly) {
    DWORD one = 1, zero = 0, seven = 7;
    SetRaw(L"One", REG_DWORD, &one, sizeof(one));
    SetRaw(L"Zero", REG_DWORD, &zero, sizeof(zero));
    SetRaw(L"Seven", REG_DWORD, &seven, sizeof(seven));
    SetRaw(L"Text", REG_SZ, L"1", 4);

    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(kBase, false));
    EXPECT_TRUE(registry.ReadBool(L"One"));
    EXPECT_FALSE(registry.ReadBool(L"Zero"));
    EXPECT_TRUE(registry.ReadBool(L"Seven"));
    EXPECT_EQ(ErrorOf([&] { registry.ReadBool(L"Text"); }), L"Неверный тип данных значения 'Text'");
    EXPECT_EQ(ErrorOf([&] { registry.ReadBool(L"Absent"); }), L"Невозможно прочитать значение 'Absent'");
}

TEST_F(Registry, WritesStringsBooleansAndNumbersWithTheirTypes) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(kBase, true));
    registry.WriteString(L"ProgPath", L"C:\\Программы\\Zarvo");
    registry.WriteString(L"", L"default value");
    registry.WriteBool(L"AutoReinstall", true);
    registry.WriteBool(L"Off", false);
    registry.WriteInteger(L"EstimatedSize", 123456);
    registry.CloseKey();

    wchar_t text[64] = {};
    EXPECT_EQ(StoredType(L"ProgPath", text, sizeof(text)), DWORD(REG_SZ));
    EXPECT_STREQ(text, L"C:\\Программы\\Zarvo");
    EXPECT_EQ(StoredType(L"", text, sizeof(text)), DWORD(REG_SZ));
    EXPECT_STREQ(text, L"default value");
    for (auto [name, expected] :
         {std::pair{L"AutoReinstall", 1u}, std::pair{L"Off", 0u}, std::pair{L"EstimatedSize", 123456u}}) {
        DWORD value = 9;
        EXPECT_EQ(StoredType(name, &value, sizeof(value)), DWORD(REG_DWORD)) << name;
        EXPECT_EQ(value, expected) << name;
    }

    EXPECT_NE(ErrorOf([&] { registry.WriteString(L"x", L"no key open"); }), L"(no error)");
}

TEST_F(Registry, DeleteKeyRemovesTheWholeTreeAndReportsAMissingKey) {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(std::wstring(kBase) + L"\\Install\\Вирдана\\Deep\\Deeper", true));
    registry.WriteString(L"v", L"x");
    ASSERT_TRUE(registry.OpenKey(L"\\" + std::wstring(kBase) + L"\\Install", false));
    registry.WriteString(L"Keep", L"me");

    ASSERT_TRUE(registry.DeleteKey(L"\\" + std::wstring(kBase) + L"\\Install\\Вирдана"));
    EXPECT_FALSE(registry.KeyExists(L"\\" + std::wstring(kBase) + L"\\Install\\Вирдана"));
    EXPECT_EQ(registry.ReadString(L"Keep"), L"me");
    EXPECT_FALSE(registry.DeleteKey(L"\\" + std::wstring(kBase) + L"\\Install\\Вирдана"));
    EXPECT_FALSE(registry.DeleteKey(L""));
}
