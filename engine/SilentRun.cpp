#include "engine/SilentRun.h"

#include "common/Folders.h"
#include "common/PathText.h"
#include "common/Reporting.h"
#include "common/SetupError.h"
#include "engine/InstallPathCheck.h"
#include "engine/Session.h"
#include "engine/StartupTexts.h"
#include "engine/TargetChecks.h"
#include "engine/ComponentClosing.h"
#include "setup/SetupConstants.h"

namespace zarvo {

namespace {

inline constexpr wchar_t TextUnknownArgument[] = L"Неизвестный параметр командной строки: ";
inline constexpr wchar_t TextNothingToRemove[] = L"Zarvo не установлен: удалять нечего";
inline constexpr wchar_t TextComponentsStillRunning[] =
    L"Компоненты Zarvo не закрыты: установка не выполнена, ничего не изменено";

// Everything before a run changes anything; false after the report that says why.
bool Admitted(const TCommandLine& arguments, TSetupSession& session) {
    try {
        session.Prepare();
    } catch (...) {
        ReportError(CurrentExceptionMessage(), StartupErrorCaption);
        return false;
    }
    const bool installed = session.ReadInstallState();
    if (arguments.remove && !installed) {
        ReportError(TextNothingToRemove, ErrorCaption);
        return false;
    }
    if (!arguments.remove) {
        if (installed) {
            // Installed: the unattended reinstall, into the stored folder with the stored choice.
            session.AutoMode = true;
        } else {
            session.InstallPath = WithoutTrailingBackslashes(
                ResolveSubstPath(arguments.folder.value_or(session.DefaultInstallPath())));
            session.AutoReinstallFlag = arguments.autoReinstall;
        }
        if (!CheckInstallPath(session.InstallPath) ||
            !CheckInstallTarget(session.InstallPath, session.ArchivePath, session.System()))
            return false;
    }
    TRunComponentCloser closer(session.System(), nullptr);
    if (closer.ComponentHangs() || !closer.CloseRunningComponents(true)) {
        ReportError(TextComponentsStillRunning, ErrorCaption);
        return false;
    }
    return true;
}

// The report has gone to the log file already.
void LogFileOnly(const std::wstring&, const std::wstring&) {}

} // namespace

TQuietReports::TQuietReports() {
    OnReportError = &LogFileOnly;
    OnReportInfo = &LogFileOnly;
}

TQuietReports::~TQuietReports() {
    OnReportError = nullptr;
    OnReportInfo = nullptr;
}

int RunSilently(const TCommandLine& arguments, const TSystem& system) {
    TQuietReports quiet;
    if (!arguments.unknown.empty()) {
        for (const std::wstring& argument : arguments.unknown)
            ReportError(TextUnknownArgument + argument, ErrorCaption);
        return ExitRefused;
    }
    TSetupSession session(system);
    if (!Admitted(arguments, session))
        return ExitRefused;
    const TRunOutcome outcome =
        arguments.remove ? RunRemoval(session.RunInput()) : RunInstallation(session.RunInput());
    return outcome.Failed() ? ExitRunErrors : ExitDone;
}

} // namespace zarvo
