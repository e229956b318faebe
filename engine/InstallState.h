#pragma once
// The values of the installation state; the keys that hold them are the setup unit's InstallKey and
// ProductKey (below HKEY_LOCAL_MACHINE).

#include "setup/SetupConstants.h"

namespace zarvo {

inline constexpr const wchar_t* ProgPathValue = L"ProgPath";                                 // in ProductKey
inline constexpr const wchar_t* BuildDateValue = L"BuildDate";                               // in ProductKey
inline constexpr const wchar_t* InstalledDistribFileNameValue = L"InstalledDistribFileName"; // in InstallKey
inline constexpr const wchar_t* InstalledDistribFileTimeValue = L"InstalledDistribFileTime"; // in InstallKey
inline constexpr const wchar_t* AutoReinstallValue = L"AutoReinstall";                       // in InstallKey

} // namespace zarvo
