#include "AppTestSupport.h"

#include "app/Application.h"
#include "common/CommonUtils.h"
#include "common/SetupError.h"
#include "tests/support/Screenshot.h"

#include <vector>

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

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        ProcessMessages();
        if (condition())
            return true;
        if (GetTickCount64() >= end)
            return false;
        Sleep(10);
    }
}

void PumpFor(DWORD milliseconds) {
    PumpUntil([] { return false; }, milliseconds);
}

RECT RectInParent(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::wstring TextOf(HWND window) {
    // Sent rather than GetWindowTextW, which does not ask a window of another process.
    std::wstring text(size_t(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(size_t(SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

std::wstring SaveScreenshot(HWND window, const std::wstring& name) {
    return SaveScreenshot(window, name, [] { PumpFor(300); });
}

void FormTest::SetUp() {
    static bool started = [] {
        CommonUtilsStartup();
        ApplicationTitle = L"Установка Zarvo";
        return true;
    }();
    (void)started;
    Terminated = false;
    temp.emplace();
    state.emplace();
    boxes.emplace(IDOK);
}

void FormTest::TearDown() {
    OnReportError = OnReportInfo = nullptr;
    boxes.reset();
    state.reset();
    temp.reset();
    // A destroyed main form ends the application's loop; the next test starts a new one.
    ProcessMessages();
    Terminated = false;
}

std::unique_ptr<TMainForm> FormTest::CreateForm(const std::wstring& arguments) {
    // Reports before a run are the boxes the user answers; a run takes them over as log lines.
    OnReportError = [this](const std::wstring& text, const std::wstring& caption) {
        boxes->ShowMessage(text, caption, MB_OK | MB_ICONERROR);
    };
    OnReportInfo = [this](const std::wstring& text, const std::wstring& caption) {
        boxes->ShowMessage(text, caption, MB_OK | MB_ICONINFORMATION);
    };
    return TMainForm::CreateForm(L"\"C:\\SetupZarvo.exe\" " + arguments, system, &*boxes);
}

void FormTest::ShowForm(TMainForm& form) {
    form.Show();
    PumpUntil([&] { return GetActiveWindow() == form.Handle(); });
    PumpFor(100);
}

} // namespace zarvo::testing
