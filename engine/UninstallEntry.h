#pragma once
// The product's entry in the system's list of installed programs (Apps & features, Programs and
// Features): what it is, who made it, where it lies, what it takes, and the kept copy of the setup that
// removes it.

#include "common/Failure.h"

#include <string>
#include <vector>

namespace zarvo {

// Writes (or rewrites) the entry for the installation in the folder with the files of the list. The
// publisher and version are the kept copy's. False with the reason in failure.
bool WriteUninstallEntry(const std::wstring& installPath, const std::vector<std::wstring>& distList,
                         TFailure& failure);
bool UninstallEntryExists();
// A missing entry is no error.
void DeleteUninstallEntry();

} // namespace zarvo
