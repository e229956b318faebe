#include "engine/SilentRun.h"

#include "common/Folders.h"
#include "common/PathText.h"
#include "common/SetupError.h"
#include "engine/InstallPathCheck.h"
#include "engine/Session.h"
#include "engine/StartupTexts.h"
#include "engine/TargetChecks.h"
#include "engine/ComponentClosing.h"
#include "engine/FolderTrust.h"

namespace zarvo {

namespace {

inline constexpr wchar_t TextUnknownArgument[] = L"Неизвестный параметр командной строки: ";
inline constexpr wchar_t TextNothingToRemove[] = L"Zarvo не установлен: удалять нечего";
inline constexpr wchar_t TextComponentsStillRunning[] =
    L"Компоненты Zarvo не закрыты: установка не выполнена, ничего не изменено";
inline constexpr wchar_t TextComponentsRun[] = L"Компоненты Zarvo запущены";
inline constexpr wchar_t TextCheckPassed[] = L"Проверка пройдена";

// Everything before a run changes anything: ExitDone, or after the report that says why, the code of
// the refusal.
TExitCode Admitted(const TCommandLine& arguments, TSetupSession& session) {
    TReporter& reporter = session.Reporter();
    try {
        session.Prepare();
    } catch (...) {
        reporter.Error(CurrentExceptionMessage(), StartupErrorCaption);
        return ExitRefused;
    }
    const bool installed = session.ReadInstallState();
    if (arguments.remove && !installed) {
        reporter.Error(TextNothingToRemove);
        return ExitRefused;
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
        if (!CheckInstallPath(session.InstallPath, reporter))
            return ExitFolderRefused;
        TExitCode refusal = ExitFolderRefused;
        if (!CheckInstallTarget(session.InstallPath, session.ArchivePath, session.System(), reporter,
                                &refusal))
            return refusal;
    }
    TRunComponentCloser closer(session.System(), nullptr);
    // A check only looks: closing the components would be a change.
    if (arguments.check && closer.ComponentRuns()) {
        reporter.Error(TextComponentsRun);
        return ExitProductRunning;
    }
    if (!arguments.check && (closer.ComponentHangs() || !closer.CloseRunningComponents(true))) {
        reporter.Error(TextComponentsStillRunning);
        return ExitProductRunning;
    }
    return ExitDone;
}

} // namespace

int RunSilently(const TCommandLine& arguments, const TSystem& system) {
    TReporter& reporter = LogFileReports();
    if (!arguments.unknown.empty()) {
        for (const std::wstring& argument : arguments.unknown)
            reporter.Error(TextUnknownArgument + argument);
        return ExitBadArgument;
    }
    TSetupSession session(system, reporter);
    if (const TExitCode refusal = Admitted(arguments, session); refusal != ExitDone)
        return refusal;
    if (arguments.check) {
        // What the removal needs of the folder: one it may not use would leave the product's files.
        TFailure refusal;
        if (arguments.remove && !FolderTrusted(session.InstallPath, refusal)) {
            reporter.Error(refusal.text);
            return ExitRunErrors;
        }
        reporter.Info(TextCheckPassed);
        return ExitDone;
    }
    const TRunOutcome outcome = arguments.remove ? RunRemoval(session.RunInput(), reporter)
                                                 : RunInstallation(session.RunInput(), reporter);
    // A removal that kept only the folder, for files that are not the product's, did what was asked.
    return outcome.Failed() && !outcome.OnlyFolderKept() ? ExitRunErrors : ExitDone;
}

} // namespace zarvo
