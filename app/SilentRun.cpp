// The silent run: no window, no box, every line in the log file, the outcome in the exit code.

#include "app/Application.h"
#include "app/InstallPathCheck.h"
#include "app/MainUnit.h"
#include "app/StartupFiles.h"
#include "app/TargetChecks.h"
#include "app/WizardTexts.h"
#include "common/CommonUtils.h"
#include "common/SetupError.h"
#include "common/PathText.h"
#include "setup/SetupUtils.h"

namespace zarvo {

namespace {

// A program that no longer handles its messages would keep the run waiting for minutes; it is refused
// when it has not answered within the time the closing gives each message.
bool ComponentHangs() {
    for (const wchar_t* title : {KernelWindowTitle, ServiceWindowTitle}) {
        HWND window = FindWindowW(nullptr, title);
        DWORD_PTR answer = 0;
        if (window != nullptr && SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG,
                                                     CloseTimings().sendTimeoutMs, &answer) == 0)
            return true;
    }
    return false;
}

} // namespace

int RunSilently(const TCommandLine& arguments) {
    if (!arguments.unknown.empty()) {
        for (const std::wstring& argument : arguments.unknown)
            ReportError(TextUnknownArgument + argument, ErrorCaption);
        return ExitRefused;
    }
    // A start-up failure has been logged.
    std::unique_ptr<TMainForm> form = TMainForm::CreateForm(GetCommandLineW());
    return form ? form->RunSilent(arguments) : ExitRefused;
}

int TMainForm::RunSilent(const TCommandLine& arguments) {
    // The silent run makes its own check for running components; the unseen form's show and activation
    // handlers must not start another run.
    StartupCheckDone = true;
    const bool installed = !InstallPath.empty();
    if (arguments.remove && !installed) {
        ReportError(TextNothingToRemove, ErrorCaption);
        return ExitRefused;
    }
    if (!arguments.remove) {
        if (installed) {
            // Installed: the unattended reinstall, into the stored folder with the stored choice.
            AutoMode = true;
        } else {
            InstallPath = WithoutTrailingBackslashes(
                ResolveSubstPath(arguments.folder.value_or(JoinPath(ProgramFilesPath, L"Zarvo"))));
            AutoReinstallFlag = arguments.autoReinstall;
        }
        if (!CheckInstallPath(InstallPath) || !CheckInstallTarget(InstallPath, ArchivePath))
            return ExitRefused;
    }
    if (ComponentHangs() || !CloseRunningComponents(true)) {
        ReportError(TextComponentsStillRunning, ErrorCaption);
        return ExitRefused;
    }

    // The lines go to the log file; only whether one was an error matters here.
    OnReportError = [this](const std::wstring&, const std::wstring&) {
        logReportedError_ = true;
    };
    OnReportInfo = [](const std::wstring&, const std::wstring&) {
    };
    try {
        if (arguments.remove)
            PerformRemove();
        else
            PerformInstall();
    } catch (...) {
        ReportError(CurrentExceptionMessage(), ErrorCaption);
    }
    OnReportError = OnReportInfo = nullptr;
    return logReportedError_ ? ExitRunErrors : ExitDone;
}

} // namespace zarvo
