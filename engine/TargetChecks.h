#pragma once
// What is checked of the installation folder before a new installation or a restore changes anything.

#include "common/Reporting.h"
#include "engine/CommandLine.h"
#include "engine/System.h"

#include <string>

namespace zarvo {

// Room on the drive for the files below "Dist" (their sizes read from the payload's headers, less the
// files of those names already in the folder, which are replaced), the longest installed path within the
// system's limit, and a folder that can be written. Reports the first failure (caption "Ошибка") and
// answers false, with the silent run's code for it in refusal when asked (no room, or a folder refused).
bool CheckInstallTarget(const std::wstring& installPath, const std::wstring& archivePath,
                        const TSystem& system, TReporter& reporter, TExitCode* refusal = nullptr);

} // namespace zarvo
