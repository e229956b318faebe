#pragma once
// The silent run: no window, no box, every line in the log file, the outcome in the exit code.

#include "engine/CommandLine.h"
#include "engine/System.h"

namespace zarvo {

// Prepares the session and runs what the arguments ask for: a new installation, the unattended reinstall
// or the removal. Running components are closed without a question; one that stays or hangs refuses the
// run. Every report goes to the log file alone, whatever the report slots hold. The exit code.
int RunSilently(const TCommandLine& arguments, const TSystem& system = DefaultSystem());

} // namespace zarvo
