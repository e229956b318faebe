#include "common/Registry.h"
#include "common/CommonTexts.h"

#include "common/SetupError.h"

namespace zarvo {

namespace {

std::wstring Quoted(const std::wstring& name) {
    return L"'" + name + L"'";
}

} // namespace

void TRegistry::SetRootKey(HKEY root) noexcept {
    CloseKey();
    root_ = root;
}

HKEY TRegistry::BaseFor(const std::wstring& key, std::wstring& relative) const {
    bool absolute = !key.empty() && key.front() == L'\\';
    relative = absolute ? key.substr(1) : key;
    if (!relative.empty() && relative.back() == L'\\')
        relative.pop_back();
    if (!absolute && current_.Valid())
        return current_.Get();
    return root_;
}

bool TRegistry::OpenKey(const std::wstring& key, bool canCreate) {
    std::wstring relative;
    HKEY base = BaseFor(key, relative);
    TRegKey opened;
    LONG status;
    if (canCreate)
        status = RegCreateKeyExW(base, relative.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access_,
                                 nullptr, opened.Receive(), nullptr);
    else
        status = RegOpenKeyExW(base, relative.c_str(), 0, access_, opened.Receive());
    if (status != ERROR_SUCCESS) {
        SetLastError(DWORD(status));
        return false;
    }
    current_ = std::move(opened);
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::wstring& key) {
    std::wstring relative;
    HKEY base = BaseFor(key, relative);
    TRegKey opened;
    if (LONG status = RegOpenKeyExW(base, relative.c_str(), 0, KEY_READ, opened.Receive());
        status != ERROR_SUCCESS) {
        SetLastError(DWORD(status));
        return false;
    }
    current_ = std::move(opened);
    return true;
}

void TRegistry::CloseKey() noexcept {
    current_.Reset();
}

bool TRegistry::KeyExists(const std::wstring& key) const {
    std::wstring relative;
    HKEY base = BaseFor(key, relative);
    TRegKey probe;
    return RegOpenKeyExW(base, relative.c_str(), 0, KEY_QUERY_VALUE, probe.Receive()) == ERROR_SUCCESS;
}

HKEY TRegistry::RequireCurrent(const std::wstring& name) const {
    if (!current_.Valid())
        throw ESetupError(TextNoKeyOpen + Quoted(name));
    return current_.Get();
}

bool TRegistry::ValueExists(const std::wstring& name) const {
    if (!current_.Valid())
        return false;
    return RegQueryValueExW(current_.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

std::wstring TRegistry::ReadString(const std::wstring& name) const {
    HKEY key = RequireCurrent(name);
    for (;;) {
        DWORD type = 0, size = 0;
        LONG status = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
        if (status == ERROR_FILE_NOT_FOUND)
            return {};
        if (status != ERROR_SUCCESS)
            throw ESetupError(TextCannotReadValue + Quoted(name));
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            throw ESetupError(TextWrongValueType + Quoted(name));
        std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
        DWORD capacity = DWORD(value.size() * sizeof(wchar_t));
        status = RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                                  &capacity);
        if (status == ERROR_MORE_DATA)
            continue; // changed between the two calls
        if (status != ERROR_SUCCESS)
            throw ESetupError(TextCannotReadValue + Quoted(name));
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            throw ESetupError(TextWrongValueType + Quoted(name));
        // Stored strings need not be terminated; cut at the first terminator if there is one.
        value.resize(capacity / sizeof(wchar_t));
        if (auto end = value.find(L'\0'); end != std::wstring::npos)
            value.resize(end);
        return value;
    }
}

bool TRegistry::ReadBool(const std::wstring& name) const {
    HKEY key = RequireCurrent(name);
    DWORD type = 0, size = 0;
    LONG status = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS)
        throw ESetupError(TextCannotReadValue + Quoted(name));
    if (type != REG_DWORD || size != sizeof(DWORD))
        throw ESetupError(TextWrongValueType + Quoted(name));
    DWORD value = 0;
    size = sizeof(value);
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD)
        throw ESetupError(TextCannotReadValue + Quoted(name));
    return value != 0;
}

void TRegistry::WriteString(const std::wstring& name, const std::wstring& value) {
    HKEY key = RequireCurrent(name);
    DWORD bytes = DWORD((value.size() + 1) * sizeof(wchar_t));
    if (RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) !=
        ERROR_SUCCESS)
        throw ESetupError(TextCannotWriteValue + Quoted(name));
}

void TRegistry::WriteBool(const std::wstring& name, bool value) {
    WriteInteger(name, value ? 1 : 0);
}

void TRegistry::WriteInteger(const std::wstring& name, DWORD data) {
    HKEY key = RequireCurrent(name);
    if (RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data)) !=
        ERROR_SUCCESS)
        throw ESetupError(TextCannotWriteValue + Quoted(name));
}

bool TRegistry::DeleteKey(const std::wstring& key) {
    std::wstring relative;
    HKEY base = BaseFor(key, relative);
    if (relative.empty())
        return false; // never the root or the current key itself
    // With a subkey name RegDeleteTreeW removes that key itself as well.
    return RegDeleteTreeW(base, relative.c_str()) == ERROR_SUCCESS;
}

} // namespace zarvo
