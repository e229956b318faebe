#include "setup/MachineClasses.h"

#include "common/SetupError.h"

namespace zarvo {

TMachineClassesRoot::TMachineClassesRoot() {
    LONG status =
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0, KEY_ALL_ACCESS, classes_.Receive());
    if (status == ERROR_SUCCESS)
        status = RegOverridePredefKey(HKEY_CLASSES_ROOT, classes_.Get());
    if (status != ERROR_SUCCESS) {
        SetLastError(DWORD(status));
        RaiseLastError();
    }
}

TMachineClassesRoot::~TMachineClassesRoot() {
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
}

} // namespace zarvo
