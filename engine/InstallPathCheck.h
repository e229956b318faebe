#pragma once
// Whether a folder typed on the path page can be an installation folder.

#include "common/Reporting.h"

#include <string>

namespace zarvo {

// False, after an error report (caption "Ошибка") that says why, for an empty path, a network path, a
// path that is not a full local path with a drive letter, or one with characters Windows does not allow.
bool CheckInstallPath(const std::wstring& path, TReporter& reporter);

} // namespace zarvo
