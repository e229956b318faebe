#pragma once
// The silent run: no window, no box, every line in the log file, the outcome in the exit code.

#include "engine/CommandLine.h"
#include "engine/System.h"

namespace zarvo {

// Routes every report into the log file only while it lives: what a box or a log line would show is
// written there and nothing is shown.
class TQuietReports {
public:
    TQuietReports();
    TQuietReports(const TQuietReports&) = delete;
    TQuietReports& operator=(const TQuietReports&) = delete;
    ~TQuietReports();
};

// Prepares the session and runs what the arguments ask for: a new installation, the unattended reinstall
// or the removal. Running components are closed without a question; one that stays or hangs refuses the
// run. The exit code.
int RunSilently(const TCommandLine& arguments, const TSystem& system = DefaultSystem());

} // namespace zarvo
