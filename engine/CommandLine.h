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

// Exit codes of a silent run; an interactive run ends with ExitDone.
enum TExitCode : int { ExitDone = 0, ExitRunErrors = 1, ExitRefused = 2 };

} // namespace zarvo
