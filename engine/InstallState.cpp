#include "engine/InstallState.h"

#include "common/FileInfo.h"
#include "common/Product.h"
#include "common/Registry.h"
#include "common/Text.h"

namespace zarvo {

namespace {

constexpr wchar_t ProgPathValue[] = L"ProgPath";                                 // in ProductKey
constexpr wchar_t BuildDateValue[] = L"BuildDate";                               // in ProductKey
constexpr wchar_t InstalledDistribFileNameValue[] = L"InstalledDistribFileName"; // in InstallKey
constexpr wchar_t InstalledDistribFileTimeValue[] = L"InstalledDistribFileTime"; // in InstallKey
constexpr wchar_t AutoReinstallValue[] = L"AutoReinstall";                       // in InstallKey

} // namespace

bool ReadInstallState(TInstallState& state) {
    bool installed = false;
    TRegistry registry(KEY_READ);
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    try {
        if (registry.OpenKeyReadOnly(ProductKey)) {
            state.installPath = registry.ReadString(ProgPathValue);
            registry.CloseKey();
            installed = !state.installPath.empty();
        }
        if (registry.OpenKeyReadOnly(InstallKey)) {
            state.autoReinstall = registry.ReadBool(AutoReinstallValue);
            registry.CloseKey();
        }
    } catch (const std::exception&) {
    }
    return installed;
}

void WriteInstallState(const std::wstring& installPath, const std::wstring& setupExecutable,
                       std::optional<bool> autoReinstall) {
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (registry.OpenKey(ProductKey, true)) {
        registry.WriteString(ProgPathValue, installPath);
        registry.WriteString(BuildDateValue, RecordedBuildDate);
        registry.CloseKey();
    }
    if (registry.OpenKey(InstallKey, true)) {
        registry.WriteString(InstalledDistribFileNameValue, setupExecutable);
        registry.WriteString(InstalledDistribFileTimeValue, DecimalText(GetFileWriteTime(setupExecutable)));
        if (autoReinstall)
            registry.WriteBool(AutoReinstallValue, *autoReinstall);
        registry.CloseKey();
    }
}

bool DeleteInstallState() {
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    registry.DeleteKey(ProductKey);
    return !registry.KeyExists(ProductKey);
}

} // namespace zarvo
