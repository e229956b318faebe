#pragma once
// Where the installation state lives in the registry (below HKEY_LOCAL_MACHINE).
// These belong with the setup unit's constants; they move there once that unit is in the tree.

namespace zarvo {

// The leading backslash addresses the key from the root key.
inline constexpr const wchar_t* InstallKey = L"\\Software\\VARNEX_SRV.INI\\Install";
inline constexpr const wchar_t* ProductKey = L"\\Software\\VARNEX_SRV.INI\\Install\\Вирдана";

inline constexpr const wchar_t* ProgPathValue = L"ProgPath";
inline constexpr const wchar_t* AutoReinstallValue = L"AutoReinstall";

} // namespace zarvo
