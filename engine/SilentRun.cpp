#include "engine/SilentRun.h"

#include "common/Folders.h"
#include "common/PathText.h"
#include "common/SetupError.h"
#include "engine/InstallPathCheck.h"
#include "engine/Session.h"
#include "engine/StartupTexts.h"
#include "engine/TargetChecks.h"
#include "engine/ComponentClosing.h"

namespace zarvo {

namespace {

inline constexpr wchar_t TextUnknownArgument[] = L"Неизвестный параметр командной строки: ";
inline constexpr wchar_t TextNothingToRemove[] = L"Zarvo не установлен: удалять нечего";
inline constexpr wchar_t TextComponentsStillRunning[] =
    L"Компоненты Zarvo не закрыты: установка не выполнена, ничего не изменено";

// Everything before a run changes anything; false after the report that says why.
bool Admitted(const TCommandLine& arguments, TSetupSession& session) {
    TReporter& reporter = session.Reporter();
    try {
        session.Prepare();
    } catch (...) {
        reporter.Error(CurrentExceptionMessage(), StartupErrorCaption);
        return false;
    }
    const bool installed = session.ReadInstallState();
    if (arguments.remove && !installed) {
        reporter.Error(TextNothingToRemove);
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
        if (!CheckInstallPath(session.InstallPath, reporter) ||
            !CheckInstallTarget(session.InstallPath, session.ArchivePath, session.System(), reporter))
            return false;
    }
    TRunComponentCloser closer(session.System(), nullptr);
    if (closer.ComponentHangs() || !closer.CloseRunningComponents(true)) {
        reporter.Error(TextComponentsStillRunning);
        return false;
    }
    return true;
}

} // namespace

int RunSilently(const TCommandLine& arguments, const TSystem& system) {
    TReporter& reporter = LogFileReports();
    if (!arguments.unknown.empty()) {
        for (const std::wstring& argument : arguments.unknown)
            reporter.Error(TextUnknownArgument + argument);
        return ExitRefused;
    }
    TSetupSession session(system, reporter);
    if (!Admitted(arguments, session))
        return ExitRefused;
    const TRunOutcome outcome = arguments.remove ? RunRemoval(session.RunInput(), reporter)
                                                 : RunInstallation(session.RunInput(), reporter);
    return outcome.Failed() ? ExitRunErrors : ExitDone;
}

} // namespace zarvo
