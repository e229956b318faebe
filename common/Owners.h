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

// Which of the asked file rights the access list grants anyone but the trusted (as IsTrustedOwner names
// them): allowing entries that apply to the object itself count, with generic rights mapped; entries
// that deny are left out, so the answer errs towards too much. A missing access list grants everything.
ACCESS_MASK UntrustedRights(PSECURITY_DESCRIPTOR descriptor, ACCESS_MASK asked, PSID windowsFolderOwner);
// The same for the file or folder behind the handle (opened with READ_CONTROL); all that was asked when
// its access list cannot be read.
ACCESS_MASK UntrustedRightsOf(HANDLE object, ACCESS_MASK asked);

} // namespace zarvo
