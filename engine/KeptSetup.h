#pragma once
// The copy of the setup that the system's list of installed programs starts. It lives in a folder below
// the machine's program data that only the system and administrators can write: what an administrator
// starts from the list later, elevated, is what ran now, whatever the user's own programs did since.

#include "common/Failure.h"

#include <string>

namespace zarvo {

// ProgramData\ZarvoSetup, and the copy SetupZarvo.exe in it.
std::wstring KeptSetupFolder();
std::wstring KeptSetupPath();

// Whether the running program is the kept copy (the same file, by its identity on the drive).
bool RunsAsKeptSetup();

// Writes the running program's own file as the kept copy, the folder made, or its access list made the
// administrators' own again, first. The running copy itself is left as it is. False with the reason in
// failure: the folder's refusal, or the system's reason naming the file it concerns.
bool KeepSetupCopy(TFailure& failure);

// Deletes the kept copy and its folder when it is empty. A copy that runs is left to FinishKeptSetup.
// False when a copy that does not run could not be deleted.
bool RemoveKeptSetup();

// At the program's end: a kept copy that runs and no longer belongs to an entry of the list (the removal
// ran) cannot delete itself; it and its folder are deleted at the next restart.
void FinishKeptSetup();

} // namespace zarvo
