#pragma once
// Who owns a file or folder, and whether the user's own programs could act as that owner: an owner can
// always give itself the right to write.

#include <windows.h>

namespace zarvo {

// Administrators, SYSTEM and TrustedInstaller, and whoever owns the Windows folder itself (which the
// system's own files already trust; null when unknown).
bool IsTrustedOwner(PSID owner, PSID windowsFolderOwner);
// Whether the file or folder behind the handle (opened with READ_CONTROL) has a trusted owner. False
// when its owner cannot be read.
bool HasTrustedOwner(HANDLE object);

} // namespace zarvo
