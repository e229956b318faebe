#include "engine/UninstallEntry.h"

#include "common/FileInfo.h"
#include "common/Folders.h"
#include "common/PathText.h"
#include "common/Registry.h"
#include "common/SetupError.h"
#include "common/Text.h"
#include "engine/KeptSetup.h"
#include "common/Product.h"

#include <windows.h>

#include <cstdint>

namespace zarvo {

namespace {

// What the installed files take, in kilobytes as the list shows sizes: the files of the list as they
// are in the folder now.
DWORD InstalledKilobytes(const std::wstring& installPath, const std::vector<std::wstring>& distList) {
    uint64_t bytes = 0;
    for (const std::wstring& name : distList) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (StaysInsideFolder(name) &&
            GetFileAttributesExW(JoinPath(installPath, name).c_str(), GetFileExInfoStandard, &data))
            bytes += (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    return DWORD((bytes + 1023) / 1024);
}

// YYYYMMDD, the day of the installation on the machine's clock.
std::wstring Today() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return DecimalText(now.wYear, 4) + DecimalText(now.wMonth, 2) + DecimalText(now.wDay, 2);
}

std::wstring Quoted(const std::wstring& path) {
    return L"\"" + path + L"\"";
}

} // namespace

bool WriteUninstallEntry(const std::wstring& installPath, const std::vector<std::wstring>& distList,
                         TFailure& failure) {
    const std::wstring setup = KeptSetupPath();
    try {
        TRegistry registry;
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!registry.OpenKey(UninstallEntryKey, true)) {
            failure = LastErrorFailure(UninstallEntryKey);
            return false;
        }
        registry.WriteString(L"DisplayName", ProductTitle);
        registry.WriteString(L"Publisher", ReadVersionString(setup, L"CompanyName"));
        registry.WriteString(L"DisplayVersion", ReadVersionString(setup, L"ProductVersion"));
        registry.WriteString(L"DisplayIcon", JoinPath(installPath, ShortcutTargetFile));
        registry.WriteString(L"InstallLocation", installPath);
        registry.WriteString(L"InstallDate", Today());
        registry.WriteInteger(L"EstimatedSize", InstalledKilobytes(installPath, distList));
        // The wizard it starts offers both restoring and removing; the list has nothing else to offer.
        registry.WriteString(L"UninstallString", Quoted(setup));
        registry.WriteString(L"QuietUninstallString", Quoted(setup) + L" /silent /remove");
        registry.WriteInteger(L"NoModify", 1);
        registry.WriteInteger(L"NoRepair", 1);
        return true;
    } catch (...) {
        failure = CurrentExceptionFailure();
        return false;
    }
}

bool UninstallEntryExists() {
    TRegistry registry(KEY_READ);
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    return registry.KeyExists(UninstallEntryKey);
}

void DeleteUninstallEntry() {
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    registry.DeleteKey(UninstallEntryKey);
}

} // namespace zarvo
