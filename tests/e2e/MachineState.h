#pragma once
// What the wizard leaves on the machine (the Wine prefix): the installation folder, the shortcuts, the
// installation state in HKLM, the kernel's COM entries and the libraries' registrations in HKCR, and the
// runtime library in the system folder. Read, compared and cleared by the click-through test.

#include <windows.h>

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace zarvo::e2e {

inline constexpr wchar_t InstallKeyPath[] = L"Software\\VARNEX_SRV.INI\\Install";
inline constexpr wchar_t ProductKeyPath[] = L"Software\\VARNEX_SRV.INI\\Install\\Вирдана";
inline constexpr wchar_t UninstallKeyPath[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zarvo";
inline constexpr wchar_t SessionManagerKeyPath[] = L"System\\CurrentControlSet\\Control\\Session Manager";

struct TRegValue {
    DWORD type = REG_NONE;
    std::wstring text; // REG_SZ / REG_EXPAND_SZ without the terminating zero
    DWORD number = 0;  // REG_DWORD

    bool operator==(const TRegValue&) const = default;
};
void PrintTo(const TRegValue& value, std::ostream* out);

// A value as stored; empty when it is absent.
std::optional<TRegValue> ReadValue(HKEY root, const std::wstring& keyPath, const std::wstring& name);
bool KeyExists(HKEY root, const std::wstring& keyPath);
bool WriteDword(HKEY root, const std::wstring& keyPath, const std::wstring& name, DWORD value);
bool DeleteValue(HKEY root, const std::wstring& keyPath, const std::wstring& name);
// Every value of a key, by name; empty when the key is absent.
std::map<std::wstring, TRegValue> ValuesOf(HKEY root, const std::wstring& keyPath);

// The default installation folder, Program Files + "\Zarvo".
std::wstring DefaultInstallFolder();
// The shortcut "Вирдана.lnk" in the all-users desktop and in the all-users Start menu.
std::vector<std::wstring> ShortcutPaths();
std::wstring RuntimeLibraryPath();
// The copy of the setup that the list of installed programs starts, and its folder.
std::wstring KeptSetupFolder();
std::wstring KeptSetupPath();
// A shortcut's target and working folder; false when it cannot be read.
bool ReadShortcut(const std::wstring& path, std::wstring& target, std::wstring& workingFolder);
// The product's files as the payload packs them, and the libraries among them that register and
// unregister themselves.
std::wstring ProductFolder();
std::vector<std::wstring> ProductFiles();
std::vector<std::wstring> SelfRegisteringLibraries();

// The kernel's 14 COM entries in HKCR as (key, value name, data) rows, for an installation in the folder.
struct TComRow {
    std::wstring key, name, data;
};
std::vector<TComRow> KernelComRows(const std::wstring& installFolder);
// Keys below HKCR the installation creates: the kernel's entries, its type library, the libraries' own.
std::vector<std::wstring> ClassesKeys();

// A comparable picture of everything above, for "nothing changed".
struct TMachineState {
    std::vector<std::wstring> installedFiles;
    std::vector<bool> shortcuts;
    std::map<std::wstring, TRegValue> installValues, productValues;
    std::vector<bool> classesKeys;
    bool runtimeLibrary = false;

    bool operator==(const TMachineState&) const = default;
};
TMachineState ReadMachineState(const std::wstring& installFolder);

// The machine as before any installation: the folders, shortcuts, registry keys, the runtime library,
// the list's entry with its kept copy and the deletions left for a restart removed.
void ClearMachine(const std::vector<std::wstring>& installFolders);

} // namespace zarvo::e2e
