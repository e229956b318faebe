#pragma once
// Replaces one registry value for a test and puts back what was there (or removes it) afterwards.

#include "common/Handles.h"

#include <windows.h>

#include <string>
#include <vector>

namespace zarvo::testing {

class TRegistryValueOverride {
public:
    TRegistryValueOverride(HKEY root, const wchar_t* keyPath, const wchar_t* name) : name_(name) {
        RegCreateKeyExW(root, keyPath, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                        key_.Receive(), nullptr);
        DWORD size = 0;
        had_ = RegQueryValueExW(key_.Get(), name, nullptr, &type_, nullptr, &size) == ERROR_SUCCESS;
        saved_.resize(size);
        if (had_)
            RegQueryValueExW(key_.Get(), name, nullptr, &type_, saved_.data(), &size);
    }
    TRegistryValueOverride(const TRegistryValueOverride&) = delete;
    TRegistryValueOverride& operator=(const TRegistryValueOverride&) = delete;
    ~TRegistryValueOverride() {
        if (had_)
            Set(type_, saved_.data(), DWORD(saved_.size()));
        else
            Remove();
    }

    void Set(DWORD type, const void* data, DWORD size) {
        RegSetValueExW(key_.Get(), name_.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    }
    void SetString(const std::wstring& value) {
        Set(REG_SZ, value.c_str(), DWORD((value.size() + 1) * sizeof(wchar_t)));
    }
    void Remove() { RegDeleteValueW(key_.Get(), name_.c_str()); }

private:
    TRegKey key_;
    std::wstring name_;
    DWORD type_ = REG_NONE;
    bool had_ = false;
    std::vector<BYTE> saved_;
};

} // namespace zarvo::testing
