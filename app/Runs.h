#pragma once
// The installation run and the removal run: every step reported through ReportInfo / ReportError, no
// window calls. The form's PerformInstall and PerformRemove call them.

#include <string>
#include <vector>

namespace zarvo {

struct TRunInput {
    std::wstring installPath;                  // without a trailing backslash
    std::wstring archivePath;                  // the payload in the temporary folder
    const std::vector<std::wstring>* distList; // the lines of Dist.lst, already converted
    bool autoMode = false;                     // unattended reinstall: AutoReinstall is left as stored
    bool autoReinstall = false;                // written as AutoReinstall otherwise
    std::wstring setupExecutable;              // recorded with its write time
};

// Folder, files of the list, the runtime library, registration, shortcuts, installation state. Stops at
// the first failed folder, line or registration; raises ESetupError for an empty installation folder.
void RunInstallation(const TRunInput& input);
// Shortcuts, registration, files of the list, the folder, the product key. Never stops; raises
// ESetupError for an empty installation folder.
void RunRemoval(const TRunInput& input);

} // namespace zarvo
