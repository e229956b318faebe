#include "setup/ComponentRegistration.h"
#include "setup/SetupTexts.h"

#include "common/Reporting.h"
#include "common/SetupError.h"
#include "common/Text.h"
#include "setup/DllRegisterServerThread.h"
#include "setup/LoadFailure.h"
#include "common/PathText.h"
#include "setup/SetupConstants.h"

#include <oleauto.h>
#include <wrl/client.h>

#include <algorithm>
#include <vector>

namespace zarvo {

using Microsoft::WRL::ComPtr;

namespace {

void Check(HRESULT result) {
    if (FAILED(result))
        throw ESetupError(SystemErrorText(DWORD(result)));
}

ComPtr<ITypeLib> LoadTypeLibrary(const std::wstring& path) {
    ComPtr<ITypeLib> library;
    Check(LoadTypeLib(path.c_str(), library.GetAddressOf()));
    return library;
}

void RegisterTypeLibrary(const std::wstring& path) {
    ComPtr<ITypeLib> library = LoadTypeLibrary(path);
    std::wstring fullPath = path; // the call takes a writable string
    Check(RegisterTypeLib(library.Get(), fullPath.data(), nullptr));
}

void UnregisterTypeLibrary(const std::wstring& path) {
    ComPtr<ITypeLib> library = LoadTypeLibrary(path);
    TLIBATTR* attributes = nullptr;
    Check(library->GetLibAttr(&attributes));
    HRESULT result = UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                                       attributes->lcid, attributes->syskind);
    library->ReleaseTLibAttr(attributes);
    Check(result);
}

std::wstring ClassKey(const std::wstring& subkey = {}) {
    return std::wstring(L"CLSID\\") + AxApplicationClassId + subkey;
}

void WriteComClassEntries(const std::wstring& folder) {
    TRegistry registry;
    registry.SetRootKey(HKEY_CLASSES_ROOT);
    const std::wstring appIdKey = std::wstring(L"AppID\\") + KernelServerFile;
    const std::wstring progId = AxApplicationProgId;
    const std::wstring independentProgId = AxApplicationIndependentProgId;

    WriteRegistryDefault(registry, appIdKey, KernelTypeLibId, true);
    WriteRegistryDefault(registry, std::wstring(L"AppID\\") + KernelTypeLibId, KernelAppIdDescription, true);
    WriteRegistryDefault(registry, progId, AxApplicationDescription, true);
    WriteRegistryDefault(registry, progId + L"\\CLSID", AxApplicationClassId, true);
    WriteRegistryDefault(registry, independentProgId, AxApplicationDescription, true);
    WriteRegistryDefault(registry, independentProgId + L"\\CLSID", AxApplicationClassId, true);
    WriteRegistryDefault(registry, independentProgId + L"\\CurVer", progId, true);
    WriteRegistryDefault(registry, ClassKey(), AxApplicationDescription, false);
    registry.WriteString(L"AppID", KernelTypeLibId);
    registry.CloseKey();
    WriteRegistryDefault(registry, ClassKey(L"\\ProgID"), progId, true);
    WriteRegistryDefault(registry, ClassKey(L"\\VersionIndependentProgID"), independentProgId, true);
    WriteRegistryDefault(registry, ClassKey(L"\\Programmable"), L"", true);
    WriteRegistryDefault(registry, ClassKey(L"\\TypeLib"), KernelTypeLibId, true);
    // Unquoted, as the product's server expects it.
    WriteRegistryDefault(registry, ClassKey(L"\\LocalServer32"), JoinPath(folder, KernelServerFile), true);
}

void DeleteComClassEntries() {
    TRegistry registry;
    registry.SetRootKey(HKEY_CLASSES_ROOT);
    // Keys that are already gone are no error.
    registry.DeleteKey(std::wstring(L"\\AppID\\") + KernelServerFile);
    registry.DeleteKey(std::wstring(L"\\AppID\\") + KernelTypeLibId);
    registry.DeleteKey(std::wstring(L"\\") + AxApplicationProgId);
    registry.DeleteKey(std::wstring(L"\\") + AxApplicationIndependentProgId);
    registry.DeleteKey(L"\\" + ClassKey());
}

// The folder's self-registering libraries, with the configuration library moved to the front or the end
// (and added when the scan did not find it).
std::vector<std::wstring> LibraryList(const std::wstring& folder, bool configFirst) {
    std::vector<std::wstring> list;
    FindSelfRegisteringDlls(folder, list);
    const std::wstring config = UpperCase(JoinPath(folder, ConfigLibraryFile));
    std::erase(list, config);
    list.insert(configFirst ? list.begin() : list.end(), config);
    return list;
}

// Registers or unregisters one library. On failure reports the library with failedText, followed by why
// when more is known than that its entry point answered failure: the library could not be loaded, or
// the operation raised an error.
bool ProcessLibrary(bool (*operation)(const std::wstring&, DWORD*), const std::wstring& path,
                    const wchar_t* failedText) {
    DWORD loadError = ERROR_SUCCESS;
    std::wstring raised;
    try {
        if (operation(path, &loadError))
            return true;
    } catch (const std::exception&) {
        raised = CurrentExceptionMessage();
    }
    ReportError(path + failedText, ErrorCaption);
    if (loadError != ERROR_SUCCESS)
        ReportError(LoadFailureText(path, loadError), ErrorCaption);
    else if (!raised.empty())
        ReportError(path + L": " + raised, ErrorCaption);
    return false;
}

} // namespace

void WriteRegistryDefault(TRegistry& registry, const std::wstring& key, const std::wstring& value,
                          bool closeAfter) {
    if (!registry.OpenKey(L"\\" + key, true))
        throw ESetupError(TextCannotOpenKey + key);
    registry.WriteString(L"", value);
    if (closeAfter)
        registry.CloseKey();
}

bool RegisterComponents(const std::wstring& installFolder) {
    const std::wstring folder = WithoutTrailingBackslashes(installFolder);
    ReportInfo(TextRegistering, InfoCaption);

    const std::wstring typeLibPath = JoinPath(folder, KernelTypeLibFile);
    try {
        RegisterTypeLibrary(typeLibPath);
        ReportInfo(typeLibPath + TextRegistered, InfoCaption);
    } catch (const std::exception&) {
        ReportError(TextTypeLibFailed + CurrentExceptionMessage(), ErrorCaption);
        return false;
    }

    try {
        WriteComClassEntries(folder);
        ReportInfo(TextClassName + std::wstring(TextRegistered), InfoCaption);
    } catch (const std::exception&) {
        ReportError(TextClassFailed + CurrentExceptionMessage(), ErrorCaption);
        return false;
    }

    for (const std::wstring& library : LibraryList(folder, true)) {
        if (!ProcessLibrary(&RegisterDllServer, library, TextNotRegistered))
            return false;
        ReportInfo(library + TextRegistered, InfoCaption);
    }
    return true;
}

bool UnregisterComponents(const std::wstring& installFolder) {
    const std::wstring folder = WithoutTrailingBackslashes(installFolder);
    ReportInfo(TextUnregistering, InfoCaption);

    for (const std::wstring& library : LibraryList(folder, false)) {
        if (!ProcessLibrary(&UnregisterDllServer, library, TextNotUnregistered))
            return false;
        ReportInfo(library + TextUnregistered, InfoCaption);
    }

    const std::wstring typeLibPath = JoinPath(folder, KernelTypeLibFile);
    try {
        UnregisterTypeLibrary(typeLibPath);
        ReportInfo(typeLibPath + TextUnregistered, InfoCaption);
    } catch (const std::exception&) {
        ReportError(TextUnregistration + typeLibPath + L": " + CurrentExceptionMessage(), ErrorCaption);
        return false;
    }

    try {
        DeleteComClassEntries();
        ReportInfo(TextClassName + std::wstring(TextUnregistered), InfoCaption);
    } catch (const std::exception&) {
        ReportError(TextClassUnregistrationFailed + CurrentExceptionMessage(), ErrorCaption);
        return false;
    }
    return true;
}

} // namespace zarvo
