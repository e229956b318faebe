#include "SetupTestSupport.h"

#include "common/CommonUtils.h"
#include "common/SetupError.h"

#include <gtest/gtest.h>

namespace setuptest {

std::wstring ProductFile(const std::wstring& name) {
    return ProductDistFolder + L"\\" + name;
}

std::string Narrow(const std::wstring& text) {
    return zarvo::WideToUtf8(text);
}

// --- TChildProcess ---

bool TChildProcess::StartWithWindow(const std::wstring& program, const std::wstring& arguments,
                                    const std::wstring& title) {
    window_ = nullptr;
    if (!Start(program, arguments))
        return false;
    for (int attempt = 0; attempt < 1500; ++attempt) {
        HWND window = FindWindowW(nullptr, title.c_str());
        DWORD owner = 0;
        if (window != nullptr && GetWindowThreadProcessId(window, &owner) != 0 && owner == Id()) {
            window_ = window;
            return true;
        }
        if (!Running())
            return false;
        Sleep(20);
    }
    return false;
}

// --- TReportLog ---

TReportLog::TReportLog()
    : slots_(
          [this](const std::wstring& text, const std::wstring& caption) { Report(true, text, caption); },
          [this](const std::wstring& text, const std::wstring& caption) { Report(false, text, caption); }) {}

std::wstring TReportLog::Dump() const {
    std::wstring text;
    for (const TReport& report : reports_)
        text += (report.error ? L"  error: " : L"  info:  ") + report.text + L"\n";
    return text;
}

// --- Folders and files ---

bool TScratchFolder::CopyProduct(const std::vector<std::wstring>& names) const {
    for (const std::wstring& name : names)
        if (!CopyFileW(ProductFile(name).c_str(), File(name).c_str(), FALSE)) {
            ADD_FAILURE() << "cannot copy " << Narrow(name) << " into " << Narrow(Path()) << ": error "
                          << GetLastError();
            return false;
        }
    return true;
}

bool TScratchFolder::CopyWholeProduct() const {
    std::vector<std::wstring> names = FilesIn(ProductDistFolder);
    return !names.empty() && CopyProduct(names);
}

// --- Environment ---

TScopedEnvironment::TScopedEnvironment(const std::wstring& name, const std::wstring& value) : name_(name) {
    SetEnvironmentVariableW(name_.c_str(), value.c_str());
}

TScopedEnvironment::~TScopedEnvironment() {
    SetEnvironmentVariableW(name_.c_str(), nullptr);
}

// --- Registry ---

std::wstring InClasses(const std::wstring& key) {
    return L"Software\\Classes\\" + key;
}

std::optional<std::wstring> ReadClassesString(const std::wstring& key, const std::wstring& name) {
    wchar_t text[1024];
    DWORD size = sizeof(text);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, InClasses(key).c_str(), name.c_str(), RRF_RT_REG_SZ | RRF_NOEXPAND,
                     nullptr, text, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return text;
}

std::optional<DWORD> ReadClassesDword(const std::wstring& key, const std::wstring& name) {
    DWORD value = 0, size = sizeof(value);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, InClasses(key).c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr,
                     &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

bool ClassesKeyExists(const std::wstring& key, HKEY hive) {
    zarvo::TRegKey opened;
    return RegOpenKeyExW(hive, InClasses(key).c_str(), 0, KEY_QUERY_VALUE, opened.Receive()) == ERROR_SUCCESS;
}

void DeleteClassesTree(const std::wstring& key, HKEY hive) {
    RegDeleteTreeW(hive, InClasses(key).c_str());
}

} // namespace setuptest
