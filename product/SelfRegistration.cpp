#include "SelfRegistration.h"

#include "common/Handles.h"

#include <objbase.h>

#include <cwchar>
#include <string>

namespace standin {

namespace {

std::wstring ModulePath(HMODULE module) {
    wchar_t path[MAX_PATH * 2];
    DWORD length = GetModuleFileNameW(module, path, ARRAYSIZE(path));
    if (length == 0 || length >= ARRAYSIZE(path))
        return {};
    return std::wstring(path, length);
}

// C:\Zarvo\Tornel.dll -> Tornel
std::wstring LibraryName(HMODULE module) {
    std::wstring name = ModulePath(module);
    name.erase(0, name.find_last_of(L"\\/") + 1);
    if (size_t dot = name.find_last_of(L'.'); dot != std::wstring::npos)
        name.erase(dot);
    return name;
}

std::wstring KeyOf(const std::wstring& library) {
    return std::wstring(StandInRootKey) + L"\\" + library;
}

// True when the variable's list (";"-separated, case-insensitive) holds "<library>.<operation>".
bool Requested(const wchar_t* variable, const std::wstring& library, const wchar_t* operation) {
    wchar_t buffer[1024];
    DWORD length = GetEnvironmentVariableW(variable, buffer, ARRAYSIZE(buffer));
    if (length == 0 || length >= ARRAYSIZE(buffer))
        return false;
    std::wstring wanted = library + L"." + operation;
    std::wstring list(buffer, length);
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(L';', start);
        if (end == std::wstring::npos)
            end = list.size();
        std::wstring item = list.substr(start, end - start);
        if (CompareStringOrdinal(item.c_str(), int(item.size()), wanted.c_str(), int(wanted.size()), TRUE) ==
            CSTR_EQUAL)
            return true;
        start = end + 1;
    }
    return false;
}

// Applies what a test asked for through the environment; E_FAIL, or S_OK to go on.
HRESULT FollowTestRequests(const std::wstring& library, const wchar_t* operation) {
    wchar_t title[256];
    DWORD length = GetEnvironmentVariableW(L"ZARVO_STANDIN_NOTIFY", title, ARRAYSIZE(title));
    if (length > 0 && length < ARRAYSIZE(title))
        if (HWND window = FindWindowW(nullptr, title))
            SendMessageW(window, WM_APP, 0, 0);
    if (Requested(L"ZARVO_STANDIN_CRASH", library, operation)) {
        volatile int* nowhere = nullptr;
        *nowhere = 1;
    }
    return Requested(L"ZARVO_STANDIN_FAIL", library, operation) ? E_FAIL : S_OK;
}

const wchar_t* ApartmentName() {
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    if (FAILED(CoGetApartmentType(&type, &qualifier)))
        return L"none";
    switch (type) {
    case APTTYPE_STA:
    case APTTYPE_MAINSTA: // the process's first single-threaded apartment
        return L"STA";
    case APTTYPE_MTA:
        return L"MTA";
    case APTTYPE_NA:
        return L"NA";
    default:
        return L"none";
    }
}

LONG SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          DWORD((value.size() + 1) * sizeof(wchar_t)));
}

} // namespace

HRESULT RegisterStandIn(HMODULE module) {
    const std::wstring library = LibraryName(module);
    if (library.empty())
        return E_UNEXPECTED;
    if (HRESULT result = FollowTestRequests(library, L"register"); FAILED(result))
        return result;

    zarvo::TRegKey key;
    LONG status = RegCreateKeyExW(HKEY_CLASSES_ROOT, KeyOf(library).c_str(), 0, nullptr,
                                  REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, key.Receive(), nullptr);
    if (status != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(status);
    DWORD threadId = GetCurrentThreadId();
    status = SetString(key.Get(), L"Module", ModulePath(module));
    if (status == ERROR_SUCCESS)
        status = RegSetValueExW(key.Get(), L"ThreadId", 0, REG_DWORD,
                                reinterpret_cast<const BYTE*>(&threadId), sizeof(threadId));
    if (status == ERROR_SUCCESS)
        status = SetString(key.Get(), L"Apartment", ApartmentName());
    return HRESULT_FROM_WIN32(status);
}

HRESULT UnregisterStandIn(HMODULE module) {
    const std::wstring library = LibraryName(module);
    if (library.empty())
        return E_UNEXPECTED;
    if (HRESULT result = FollowTestRequests(library, L"unregister"); FAILED(result))
        return result;
    LONG status = RegDeleteTreeW(HKEY_CLASSES_ROOT, KeyOf(library).c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        return HRESULT_FROM_WIN32(status);
    // The shared parent goes with the last library; while others remain this fails harmlessly.
    RegDeleteKeyW(HKEY_CLASSES_ROOT, StandInRootKey);
    return S_OK;
}

HRESULT WriteStandInValue(HMODULE module, const wchar_t* name, DWORD value) {
    zarvo::TRegKey key;
    LONG status =
        RegOpenKeyExW(HKEY_CLASSES_ROOT, KeyOf(LibraryName(module)).c_str(), 0, KEY_SET_VALUE, key.Receive());
    if (status != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(status);
    status =
        RegSetValueExW(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    return HRESULT_FROM_WIN32(status);
}

} // namespace standin
