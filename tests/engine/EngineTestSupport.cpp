#include "EngineTestSupport.h"

#include "common/CommonUtils.h"

namespace zarvo::testing {

namespace {

constexpr const wchar_t* InstallKeyPath = L"Software\\VARNEX_SRV.INI\\Install";
constexpr const wchar_t* ProductKeyPath = L"Software\\VARNEX_SRV.INI\\Install\\Вирдана";

std::wstring Environment(const wchar_t* name) {
    wchar_t value[MAX_PATH * 2];
    DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH * 2);
    return length > 0 && length < MAX_PATH * 2 ? std::wstring(value, length) : std::wstring();
}

void RestoreEnvironment(const wchar_t* name, const std::wstring& value) {
    SetEnvironmentVariableW(name, value.empty() ? nullptr : value.c_str());
}

void SetValue(const wchar_t* keyPath, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(key);
}

void SetString(const wchar_t* keyPath, const wchar_t* name, const std::wstring& value) {
    SetValue(keyPath, name, REG_SZ, value.c_str(), DWORD((value.size() + 1) * sizeof(wchar_t)));
}

} // namespace

TPrivateTemp::TPrivateTemp() : folder_(L"zarvo-app-tmp") {
    savedTmp_ = Environment(L"TMP");
    savedTemp_ = Environment(L"TEMP");
    SetEnvironmentVariableW(L"TMP", folder_.Path().c_str());
    SetEnvironmentVariableW(L"TEMP", folder_.Path().c_str());
}

TPrivateTemp::~TPrivateTemp() {
    RestoreEnvironment(L"TMP", savedTmp_);
    RestoreEnvironment(L"TEMP", savedTemp_);
}

TInstallState::TInstallState() {
    Clear();
}
TInstallState::~TInstallState() {
    Clear();
}

void TInstallState::Clear() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, InstallKeyPath);
}

void TInstallState::SetProgPath(const std::wstring& path) {
    SetString(ProductKeyPath, L"ProgPath", path);
}

void TInstallState::SetProgPathDword(DWORD value) {
    SetValue(ProductKeyPath, L"ProgPath", REG_DWORD, &value, sizeof(value));
}

void TInstallState::SetAutoReinstall(DWORD value) {
    SetValue(InstallKeyPath, L"AutoReinstall", REG_DWORD, &value, sizeof(value));
}

void EngineTest::SetUp() {
    // Once per process, as the program entry does it.
    static bool started = [] {
        CommonUtilsStartup();
        return true;
    }();
    (void)started;
    temp.emplace();
    state.emplace();
}

void EngineTest::TearDown() {
    state.reset();
    temp.reset();
}

} // namespace zarvo::testing
