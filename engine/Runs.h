#pragma once
// The installation run and the removal run: every step reported through ReportInfo / ReportError, no
// window calls. Each stage catches what its helpers raise at its own boundary and reports it as an error
// line; a run never raises, it returns its outcome.

#include "archive/DistUnpack.h"

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
    TUnpackPlace unpack;                       // where the one-pass unpacking stages, and its fault
};

enum class TRunResult {
    Done,           // every step succeeded
    DoneWithErrors, // the run went to its end, but a step failed
    Stopped,        // a failed step ended the run
};

struct TRunOutcome {
    TRunResult result = TRunResult::Done;
    // The text of the first error line, as the log shows it without its caption.
    std::wstring reason;

    bool Failed() const { return result != TRunResult::Done; }
};

// Folder, files of the list, the runtime library, registration, shortcuts, installation state. Stops at
// the first failed folder, line or registration, or at an empty installation folder.
TRunOutcome RunInstallation(const TRunInput& input);
// Shortcuts, registration, files of the list, the folder, the product key. Never stops but for an empty
// installation folder.
TRunOutcome RunRemoval(const TRunInput& input);

} // namespace zarvo
