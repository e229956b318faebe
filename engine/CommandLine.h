#pragma once
// The arguments an administrator can give, anywhere on the command line and in any letter case. The
// unattended reinstall's "/auto" keeps its own rule (the first argument only, see FirstArgumentIsAuto).

#include <optional>
#include <string>
#include <vector>

namespace zarvo {

struct TCommandLine {
    bool silent = false;                 // /silent: no window, no box; the exit code tells the outcome
    bool remove = false;                 // /remove: with /silent, the removal run
    bool check = false;                  // /check: the silent run's checks alone; nothing is changed
    bool autoReinstall = false;          // /autoreinstall: AutoReinstall of a silent new installation
    bool help = false;                   // /help or /?
    std::optional<std::wstring> folder;  // /dir=PATH
    std::optional<std::wstring> logFile; // /log=FILE
    std::vector<std::wstring> unknown;   // every other argument
};

// The arguments after the program's own name, as CommandLineToArgvW splits them (quotes allowed).
std::vector<std::wstring> CommandLineArguments(const std::wstring& commandLine);
TCommandLine ParseCommandLine(const std::wstring& commandLine);
// True when the first argument after the program is "/auto" in any letter case.
bool FirstArgumentIsAuto(const std::wstring& commandLine);

// The box /help shows.
extern const wchar_t* const CommandLineHelp;

// Exit codes of a silent run; an interactive run ends with ExitDone. Every refusal changes nothing; those
// a deployment tool acts on (retry later, free room, close the product) have codes of their own.
enum TExitCode : int {
    ExitDone = 0,
    ExitRunErrors = 1,       // the run reported an error after it had begun to change things
    ExitRefused = 2,         // refused: a start-up failure, a damaged installer, nothing to remove
    ExitBadArgument = 3,     // an argument the silent run does not know
    ExitProductRunning = 4,  // a program of the product stayed open or hangs
    ExitNoRoom = 5,          // not enough room on the drive
    ExitSystemTooOld = 6,    // the system lacks what the start needs
    ExitFolderRefused = 7,   // the installation folder cannot be used
    ExitSetupRunning = 1618, // another setup runs (the code Windows Installer gives for it)
};

} // namespace zarvo
