#pragma once
// The machine's own class registrations. HKEY_CLASSES_ROOT merges in the user's classes, and a key the
// user created there first would take the elevated setup's registration: what the setup registers goes
// to HKEY_LOCAL_MACHINE\Software\Classes, by name or by mapping the predefined key there.

#include "common/Handles.h"

namespace zarvo {

// While it lives, this process's HKEY_CLASSES_ROOT is the machine's classes, for the calls that write
// through the predefined key (the type library's registration, the libraries' own).
class TMachineClassesRoot {
public:
    // Raises the system's reason when the machine's classes cannot be opened or mapped.
    TMachineClassesRoot();
    TMachineClassesRoot(const TMachineClassesRoot&) = delete;
    TMachineClassesRoot& operator=(const TMachineClassesRoot&) = delete;
    ~TMachineClassesRoot();

    // HKEY_LOCAL_MACHINE\Software\Classes itself.
    HKEY Key() const noexcept { return classes_.Get(); }

private:
    TRegKey classes_;
};

} // namespace zarvo
