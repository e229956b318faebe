#pragma once
// The installation state in the registry, read, written and deleted here alone: ProductKey (the
// installation folder, the build date) and InstallKey (the setup that installed, its write time, the
// choice to reinstall automatically), both below HKEY_LOCAL_MACHINE.

#include <optional>
#include <string>

namespace zarvo {

struct TInstallState {
    std::wstring installPath;   // ProgPath: empty when the product is not installed
    bool autoReinstall = false; // AutoReinstall
};

// The stored state; true when the product is installed. An absent or unreadable value means "not
// installed" or "not chosen"; what was read before it is kept in state.
bool ReadInstallState(TInstallState& state);
// After a completed installation: the folder, the build date, the setup executable with its write time,
// and the choice when one is given (the unattended reinstall keeps the stored one). A key that cannot be
// opened is skipped; a value that cannot be written raises.
void WriteInstallState(const std::wstring& installPath, const std::wstring& setupExecutable,
                       std::optional<bool> autoReinstall);
// Deletes ProductKey with everything below it, so that the next start sees no installation; InstallKey
// and its values stay. A key already gone is no error; false when it is still there.
bool DeleteInstallState();

} // namespace zarvo
