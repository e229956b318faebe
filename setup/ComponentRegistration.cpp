#include "setup/ComponentRegistration.h"
#include "setup/SetupTexts.h"

#include "common/SetupError.h"
#include "common/Text.h"
#include "setup/DllRegisterServerThread.h"
#include "setup/MachineClasses.h"
#include "common/PathText.h"
#include "common/Product.h"

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

void RegisterTypeLibrary(HKEY, const std::wstring& path) {
    ComPtr<ITypeLib> library = LoadTypeLibrary(path);
    std::wstring fullPath = path; // the call takes a writable string
    Check(RegisterTypeLib(library.Get(), fullPath.data(), nullptr));
}

void UnregisterTypeLibrary(HKEY, const std::wstring& path) {
    ComPtr<ITypeLib> library = LoadTypeLibrary(path);
    TLIBATTR* attributes = nullptr;
    Check(library->GetLibAttr(&attributes));
    HRESULT result = UnRegisterTypeLib(attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum,
                                       attributes->lcid, attributes->syskind);
    library->ReleaseTLibAttr(attributes);
    Check(result);
}

void WriteComClassEntries(HKEY classes, const std::wstring& folder) {
    TRegistry registry;
    registry.SetRootKey(classes);
    const std::wstring classKey = std::wstring(L"CLSID\\") + AxApplicationClassId,
                       server = JoinPath(folder, KernelServerFile);
    const struct {
        const wchar_t* key;
        const wchar_t* subkey;
        const wchar_t* value;
        bool appId; // the key also names the class's application
    } entries[] = {
        {L"AppID\\", KernelServerFile, KernelTypeLibId, false},
        {L"AppID\\", KernelTypeLibId, KernelAppIdDescription, false},
        {AxApplicationProgId, L"", AxApplicationDescription, false},
        {AxApplicationProgId, L"\\CLSID", AxApplicationClassId, false},
        {AxApplicationIndependentProgId, L"", AxApplicationDescription, false},
        {AxApplicationIndependentProgId, L"\\CLSID", AxApplicationClassId, false},
        {AxApplicationIndependentProgId, L"\\CurVer", AxApplicationProgId, false},
        {classKey.c_str(), L"", AxApplicationDescription, true},
        {classKey.c_str(), L"\\ProgID", AxApplicationProgId, false},
        {classKey.c_str(), L"\\VersionIndependentProgID", AxApplicationIndependentProgId, false},
        {classKey.c_str(), L"\\Programmable", L"", false},
        {classKey.c_str(), L"\\TypeLib", KernelTypeLibId, false},
        // Unquoted, as the product's server expects it.
        {classKey.c_str(), L"\\LocalServer32", server.c_str(), false},
    };
    // Each entry opens its own key, which stays the current one until the next.
    for (const auto& entry : entries) {
        WriteRegistryDefault(registry, std::wstring(entry.key) + entry.subkey, entry.value, false);
        if (entry.appId)
            registry.WriteString(L"AppID", KernelTypeLibId);
    }
}

void DeleteComClassEntries(HKEY classes, const std::wstring&) {
    TRegistry registry;
    registry.SetRootKey(classes);
    const wchar_t* const keys[][2] = {{L"AppID\\", KernelServerFile},
                                      {L"AppID\\", KernelTypeLibId},
                                      {L"", AxApplicationProgId},
                                      {L"", AxApplicationIndependentProgId},
                                      {L"CLSID\\", AxApplicationClassId}};
    // Keys that are already gone are no error.
    for (const auto& key : keys)
        registry.DeleteKey(std::wstring(key[0]) + key[1]);
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

using TLibraryOperation = bool (*)(const std::wstring&, TFailure*);

// Registers or unregisters one library. On failure reports the library with failedText, followed by why
// when more is known than that its entry point answered failure: the library could not be loaded, or
// the operation raised an error.
bool ProcessLibrary(TReporter& reporter, TLibraryOperation operation, const std::wstring& path,
                    const wchar_t* failedText) {
    TFailure why;
    try {
        if (operation(path, &why))
            return true;
    } catch (const std::exception&) {
        why.text = path + L": " + CurrentExceptionMessage();
    }
    reporter.Error(path + failedText);
    if (!why.text.empty())
        reporter.Error(why.text);
    return false;
}

// Registers or unregisters every library of the folder, the configuration library first or last; stops at
// the first that fails.
bool ProcessLibraries(TReporter& reporter, const std::wstring& folder, bool configFirst,
                      TLibraryOperation operation, const wchar_t* failedText, const wchar_t* doneText) {
    for (const std::wstring& library : LibraryList(folder, configFirst)) {
        if (!ProcessLibrary(reporter, operation, library, failedText))
            return false;
        reporter.Info(library + doneText);
    }
    return true;
}

// One step on the machine's classes: its done line, or failedText followed by what it raised.
bool RunStep(TReporter& reporter, void (*step)(HKEY, const std::wstring&), HKEY classes,
             const std::wstring& subject, const std::wstring& done, const std::wstring& failedText) {
    try {
        step(classes, subject);
        reporter.Info(done);
        return true;
    } catch (const std::exception&) {
        reporter.Error(failedText + CurrentExceptionMessage());
        return false;
    }
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

bool RegisterComponents(const std::wstring& installFolder, TReporter& reporter) {
    const std::wstring folder = WithoutTrailingBackslashes(installFolder);
    reporter.Info(TextRegistering);
    const TMachineClassesRoot machine;
    const std::wstring typeLibPath = JoinPath(folder, KernelTypeLibFile);
    return RunStep(reporter, &RegisterTypeLibrary, machine.Key(), typeLibPath, typeLibPath + TextRegistered,
                   TextTypeLibFailed) &&
           RunStep(reporter, &WriteComClassEntries, machine.Key(), folder,
                   TextClassName + std::wstring(TextRegistered), TextClassFailed) &&
           ProcessLibraries(reporter, folder, true, &RegisterDllServer, TextNotRegistered, TextRegistered);
}

bool UnregisterComponents(const std::wstring& installFolder, TReporter& reporter) {
    const std::wstring folder = WithoutTrailingBackslashes(installFolder);
    reporter.Info(TextUnregistering);
    const TMachineClassesRoot machine;
    const std::wstring typeLibPath = JoinPath(folder, KernelTypeLibFile);
    return ProcessLibraries(reporter, folder, false, &UnregisterDllServer, TextNotUnregistered,
                            TextUnregistered) &&
           RunStep(reporter, &UnregisterTypeLibrary, machine.Key(), typeLibPath,
                   typeLibPath + TextUnregistered, TextUnregistration + typeLibPath + L": ") &&
           RunStep(reporter, &DeleteComClassEntries, machine.Key(), folder,
                   TextClassName + std::wstring(TextUnregistered), TextClassUnregistrationFailed);
}

} // namespace zarvo
