#pragma once
// The installation run and the removal run: every step a line through the reporter they are given, no
// window calls. A run never raises: each stage catches what its helpers raise at its own boundary and
// reports it as an error line; the run returns its outcome.

#include "archive/DistUnpack.h"
#include "common/Reporting.h"

#include <optional>
#include <string>
#include <vector>

namespace zarvo {

// Built with designated initializers: every field by its name.
struct TRunInput {
    std::wstring installPath;                         // without a trailing backslash
    std::wstring archivePath;                         // the payload the session holds
    const std::vector<std::wstring>* distList;        // the lines of Dist.lst, already converted
    std::wstring setupExecutable;                     // recorded with its write time
    std::optional<bool> autoReinstall = std::nullopt; // recorded; empty: the stored choice stays
    TUnpackPlace unpack = {};                         // where the one-pass unpacking stages, and its fault
};

enum class TRunResult {
    Done,           // every step succeeded
    DoneWithErrors, // the run went to its end, but a step failed
    Stopped,        // a failed step ended the run
};

struct TRunOutcome {
    TRunResult result = TRunResult::Done;
    // The run's first error line (the registration's own included), without its caption.
    std::wstring reason;
    // The error lines before the closing one.
    unsigned errorLines = 0;
    // A removal kept the installation folder because files the list does not name are in it.
    bool folderKeptForOtherFiles = false;

    bool Failed() const { return result != TRunResult::Done; }
    // A removal whose only error line is that kept folder: nothing of the product stays.
    bool OnlyFolderKept() const { return folderKeptForOtherFiles && errorLines == 1; }
};

// Folder, files of the list, the runtime library, registration, shortcuts, installation state. Stops at
// the first failed folder, line or registration, or at an empty installation folder.
TRunOutcome RunInstallation(const TRunInput& input, TReporter& reporter);
// Shortcuts, registration, files of the list, the folder, the product key, the list's entry and the kept
// copy. Never stops: an installation folder that cannot be used skips only what goes through it.
TRunOutcome RunRemoval(const TRunInput& input, TReporter& reporter);

} // namespace zarvo
