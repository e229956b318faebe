#include "RegistrationTestSupport.h"

#include "common/CommonUtils.h"

namespace setuptest {

namespace {

constexpr wchar_t TypeLibId[] = L"{4A9D62C1-E873-4B25-8F1E-6D0B93A5C2E7}";
constexpr wchar_t ClassId[] = L"{7E3C19A2-5B84-4F0D-9A61-C2D84E7B3F05}";

} // namespace

std::vector<TClassRow> ExpectedClassRows(const std::wstring& folder) {
    const std::wstring clsid = std::wstring(L"CLSID\\") + ClassId;
    return {
        {L"AppID\\ZarvoKernel.exe", L"", TypeLibId},
        {std::wstring(L"AppID\\") + TypeLibId, L"", L"Zarvo"},
        {L"Zarvo.AxApplication.1", L"", L"AxApplication Class"},
        {L"Zarvo.AxApplication.1\\CLSID", L"", ClassId},
        {L"Zarvo.AxApplication", L"", L"AxApplication Class"},
        {L"Zarvo.AxApplication\\CLSID", L"", ClassId},
        {L"Zarvo.AxApplication\\CurVer", L"", L"Zarvo.AxApplication.1"},
        {clsid, L"", L"AxApplication Class"},
        {clsid, L"AppID", TypeLibId},
        {clsid + L"\\ProgID", L"", L"Zarvo.AxApplication.1"},
        {clsid + L"\\VersionIndependentProgID", L"", L"Zarvo.AxApplication"},
        {clsid + L"\\Programmable", L"", L""},
        {clsid + L"\\TypeLib", L"", TypeLibId},
        {clsid + L"\\LocalServer32", L"", folder + L"\\ZarvoKernel.exe"},
    };
}

std::vector<std::wstring> ClassKeys() {
    return {L"AppID\\ZarvoKernel.exe", std::wstring(L"AppID\\") + TypeLibId, L"Zarvo.AxApplication.1",
            L"Zarvo.AxApplication", std::wstring(L"CLSID\\") + ClassId};
}

std::wstring StandInKey(const std::wstring& library) {
    return L"ZarvoStandIn\\" + library;
}

void RegistrationTest::SetUp() {
    SetDllDirectoryW(L"");
    wchar_t current[MAX_PATH];
    DWORD length = GetCurrentDirectoryW(MAX_PATH, current);
    ASSERT_TRUE(length > 0 && length < MAX_PATH);
    currentFolder_.assign(current, length);
    ASSERT_TRUE(SetCurrentDirectoryW(zarvo::GetTempFolder().c_str()));
    CleanRegistry();
    if (withRuntime_)
        PlaceRuntime();
    else
        HideRuntime();
}

void RegistrationTest::TearDown() {
    SetDllDirectoryW(nullptr);
    if (!currentFolder_.empty())
        SetCurrentDirectoryW(currentFolder_.c_str());
    CleanRegistry();
    if (!placedRuntime_.empty())
        DeleteFileW(placedRuntime_.c_str());
    if (!hiddenRuntime_.empty())
        MoveFileW(hiddenRuntime_.c_str(), (zarvo::GetSystemFolder() + L"RTW32.dll").c_str());
}

void RegistrationTest::PlaceRuntime() {
    std::wstring target = zarvo::GetSystemFolder() + L"RTW32.dll";
    if (PathExists(target))
        return;
    ASSERT_TRUE(CopyFileW(ProductRuntimeLibrary.c_str(), target.c_str(), TRUE));
    placedRuntime_ = target;
}

void RegistrationTest::HideRuntime() {
    std::wstring runtime = zarvo::GetSystemFolder() + L"RTW32.dll";
    if (!PathExists(runtime))
        return;
    std::wstring aside = runtime + L".aside";
    ASSERT_TRUE(MoveFileExW(runtime.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING));
    hiddenRuntime_ = aside;
}

void RegistrationTest::CleanRegistry() {
    // The user's classes too: a registration that went astray must not spoil the next test.
    for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (const std::wstring& key : ClassKeys())
            DeleteClassesTree(key, hive);
        DeleteClassesTree(TypeLibKey, hive);
        DeleteClassesTree(L"ZarvoStandIn", hive);
    }
}

void RegistrationTest::ExpectClassRows(const std::wstring& folder) {
    int row = 0;
    for (const TClassRow& expected : ExpectedClassRows(folder)) {
        ++row;
        SCOPED_TRACE("row " + std::to_string(row) + ": " + Narrow(expected.key) + " " +
                     Narrow(expected.name));
        EXPECT_EQ(ReadClassesString(expected.key, expected.name), std::optional<std::wstring>(expected.data));
    }
}

void RegistrationTest::ExpectNoClassKeys() {
    for (const std::wstring& key : ClassKeys())
        EXPECT_FALSE(ClassesKeyExists(key)) << Narrow(key);
}

} // namespace setuptest
