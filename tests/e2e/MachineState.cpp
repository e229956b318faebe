#include "MachineState.h"
#include "Driver.h"

#include "common/CommonUtils.h"
#include "common/Handles.h"
#include "common/PathText.h"
#include "common/Product.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPaths.h"

#include <shlobj.h>
#include <wrl/client.h>

namespace zarvo::e2e {

namespace {

using namespace zarvo::testing;
using Microsoft::WRL::ComPtr;

constexpr wchar_t ShortcutFile[] = L"Вирдана.lnk";
constexpr wchar_t StandInKey[] = L"ZarvoStandIn";

} // namespace

std::optional<TRegValue> ReadValue(HKEY root, const std::wstring& keyPath, const std::wstring& name) {
    TRegKey key;
    if (RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = REG_NONE, size = 0;
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<BYTE> data(size + sizeof(wchar_t));
    if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    TRegValue value;
    value.type = type;
    if (type == REG_SZ || type == REG_EXPAND_SZ) {
        value.text.assign(reinterpret_cast<const wchar_t*>(data.data()), size / sizeof(wchar_t));
        while (!value.text.empty() && value.text.back() == L'\0')
            value.text.pop_back();
    } else if (type == REG_DWORD && size == sizeof(DWORD)) {
        value.number = *reinterpret_cast<const DWORD*>(data.data());
    } else {
        value.text.assign(data.begin(), data.begin() + size);
    }
    return value;
}

bool KeyExists(HKEY root, const std::wstring& keyPath) {
    TRegKey key;
    return RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
}

bool WriteDword(HKEY root, const std::wstring& keyPath, const std::wstring& name, DWORD value) {
    TRegKey key;
    return RegCreateKeyExW(root, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Receive(),
                           nullptr) == ERROR_SUCCESS &&
           RegSetValueExW(key.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value)) == ERROR_SUCCESS;
}

bool DeleteValue(HKEY root, const std::wstring& keyPath, const std::wstring& name) {
    TRegKey key;
    return RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_SET_VALUE, key.Receive()) == ERROR_SUCCESS &&
           RegDeleteValueW(key.Get(), name.c_str()) == ERROR_SUCCESS;
}

std::map<std::wstring, TRegValue> ValuesOf(HKEY root, const std::wstring& keyPath) {
    std::map<std::wstring, TRegValue> values;
    TRegKey key;
    if (RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
        return values;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumValueW(key.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        if (std::optional<TRegValue> value = ReadValue(root, keyPath, name))
            values[name] = *value;
    }
    return values;
}

std::wstring DefaultInstallFolder() {
    return WithoutTrailingBackslashes(GetSpecialFolderPath(CSIDL_PROGRAM_FILES)) + L"\\Zarvo";
}

std::vector<std::wstring> ShortcutPaths() {
    std::vector<std::wstring> paths;
    for (int folder : {CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_STARTMENU})
        paths.push_back(WithoutTrailingBackslashes(GetSpecialFolderPath(folder)) + L"\\" + ShortcutFile);
    return paths;
}

std::wstring RuntimeLibraryPath() {
    return GetSystemFolder() + L"RTW32.dll";
}

bool ReadShortcut(const std::wstring& path, std::wstring& target, std::wstring& workingFolder) {
    TComInit com;
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))) ||
        FAILED(link.As(&file)) || FAILED(file->Load(path.c_str(), STGM_READ)))
        return false;
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH)))
        return false;
    target = buffer;
    if (FAILED(link->GetWorkingDirectory(buffer, MAX_PATH)))
        return false;
    workingFolder = buffer;
    return true;
}

std::wstring KeptSetupFolder() {
    wchar_t folder[MAX_PATH];
    return SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, folder))
               ? std::wstring(folder) + L"\\ZarvoSetup"
               : L"";
}

std::wstring KeptSetupPath() {
    return KeptSetupFolder() + L"\\SetupZarvo.exe";
}

std::wstring ProductFolder() {
    return BuiltPath("ZARVO_E2E_PRODUCT_DIR", ZARVO_PAYLOAD_PRODUCT_DIR);
}

std::vector<std::wstring> ProductFiles() {
    return FilesIn(ProductFolder());
}

std::vector<std::wstring> SelfRegisteringLibraries() {
    std::vector<std::wstring> libraries;
    for (const std::wstring& name : ProductFiles()) {
        TModule module(
            LoadLibraryExW((ProductFolder() + L"\\" + name).c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
        // A library that cannot unregister itself is not one the setup registers.
        if (module && GetProcAddress(module.Get(), "DllRegisterServer") != nullptr &&
            GetProcAddress(module.Get(), "DllUnregisterServer") != nullptr)
            libraries.push_back(name.substr(0, name.rfind(L'.')));
    }
    return libraries;
}

std::vector<TComRow> KernelComRows(const std::wstring& installFolder) {
    const std::wstring clsid = std::wstring(L"CLSID\\") + AxApplicationClassId;
    const std::wstring progId = AxApplicationProgId, independent = AxApplicationIndependentProgId;
    const std::wstring typeLib = KernelTypeLibId, classId = AxApplicationClassId;
    return {
        {L"AppID\\ZarvoKernel.exe", L"", typeLib},
        {L"AppID\\" + typeLib, L"", L"Zarvo"},
        {progId, L"", L"AxApplication Class"},
        {progId + L"\\CLSID", L"", classId},
        {independent, L"", L"AxApplication Class"},
        {independent + L"\\CLSID", L"", classId},
        {independent + L"\\CurVer", L"", progId},
        {clsid, L"", L"AxApplication Class"},
        {clsid, L"AppID", typeLib},
        {clsid + L"\\ProgID", L"", progId},
        {clsid + L"\\VersionIndependentProgID", L"", independent},
        {clsid + L"\\Programmable", L"", L""},
        {clsid + L"\\TypeLib", L"", typeLib},
        {clsid + L"\\LocalServer32", L"", installFolder + L"\\ZarvoKernel.exe"},
    };
}

std::vector<std::wstring> ClassesKeys() {
    std::vector<std::wstring> keys = {
        L"AppID\\ZarvoKernel.exe",
        std::wstring(L"AppID\\") + KernelTypeLibId,
        AxApplicationProgId,
        AxApplicationIndependentProgId,
        std::wstring(L"CLSID\\") + AxApplicationClassId,
        std::wstring(L"TypeLib\\") + KernelTypeLibId,
    };
    for (const std::wstring& library : SelfRegisteringLibraries())
        keys.push_back(std::wstring(StandInKey) + L"\\" + library);
    return keys;
}

TMachineState ReadMachineState(const std::wstring& installFolder) {
    TMachineState state;
    state.installedFiles = FilesIn(installFolder);
    for (const std::wstring& shortcut : ShortcutPaths())
        state.shortcuts.push_back(PathExists(shortcut));
    state.installValues = ValuesOf(HKEY_LOCAL_MACHINE, InstallKeyPath);
    state.productValues = ValuesOf(HKEY_LOCAL_MACHINE, ProductKeyPath);
    for (const std::wstring& key : ClassesKeys())
        state.classesKeys.push_back(KeyExists(HKEY_CLASSES_ROOT, key));
    state.runtimeLibrary = PathExists(RuntimeLibraryPath());
    return state;
}

void ClearMachine(const std::vector<std::wstring>& installFolders) {
    for (const std::wstring& folder : installFolders)
        RemoveTree(folder);
    for (const std::wstring& shortcut : ShortcutPaths())
        DeleteFileW(shortcut.c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\VARNEX_SRV.INI");
    for (const std::wstring& key : ClassesKeys())
        RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
    RegDeleteTreeW(HKEY_CLASSES_ROOT, StandInKey);
    DeleteFileW(RuntimeLibraryPath().c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, UninstallKeyPath);
    RemoveTree(KeptSetupFolder());
    DeleteValue(HKEY_LOCAL_MACHINE, SessionManagerKeyPath, L"PendingFileRenameOperations");
}

} // namespace zarvo::e2e
