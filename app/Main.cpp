// Program entry of SetupZarvo.exe.

#include "app/Application.h"
#include "app/MainUnit.h"
#include "app/WizardTexts.h"
#include "common/Folders.h"
#include "common/Libraries.h"
#include "common/Reporting.h"
#include "common/SetupError.h"
#include "common/UnitStartup.h"
#include "engine/CommandLine.h"
#include "engine/KeptSetup.h"
#include "engine/SetupLock.h"
#include "engine/SilentRun.h"
#include "engine/StartupTexts.h"

#include <exception>

using namespace zarvo;

namespace {

// The form of the wizard that runs, restored, and brought to the front with whatever box it shows: a
// second start is how a user looks for a wizard lost behind other windows. False when there is no form
// (a silent run, or a wizard still starting).
bool BringRunningFormToFront() {
    HWND form = FindWindowW(MainFormClassName, FormCaption);
    if (form == nullptr)
        form = FindWindowW(MainFormClassName, AutoModeCaption);
    if (form == nullptr)
        return false;
    // Asynchronous: a wizard busy with a run must not hold this start up.
    if (IsIconic(form))
        ShowWindowAsync(form, SW_RESTORE);
    SetForegroundWindow(GetLastActivePopup(form));
    return true;
}

// A start that cannot go on: its box, or for a silent start a line of the log file and the code.
int RefuseStart(bool silent, const std::wstring& reason, TExitCode code = ExitRefused) {
    (silent ? LogFileReports() : SlotReports()).Error(reason, ApplicationTitle);
    return silent ? code : ExitRunErrors;
}

int RefuseSecondStart(bool silent) {
    if (silent) {
        LogFileReports().Error(TextSetupAlreadyRunning);
        return ExitSetupRunning;
    }
    if (!BringRunningFormToFront())
        ReportInfo(TextSetupAlreadyRunning, ApplicationTitle);
    return ExitDone;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Libraries come by full path only, never from the folder the installer was started in nor from the
    // one it was downloaded to.
    SetDllDirectoryW(L"");
    const bool searchRestricted = RestrictLibrarySearchToSystemFolder();
    ApplicationTitle = SetupTitle;
    const TCommandLine arguments = ParseCommandLine(GetCommandLineW());
    // A check runs as a silent run does, without a window.
    const bool silent = arguments.silent || arguments.check;
    SetLogFile(arguments.logFile.value_or(GetTempFolder() + LogFileName));
    // Before any box: showing one loads libraries by name.
    if (!searchRestricted)
        return RefuseStart(silent, TextLoaderTooOld, ExitSystemTooOld);
    if (!silent && arguments.help) {
        ShowMessageBox(CommandLineHelp, ApplicationTitle, MB_OK | MB_ICONINFORMATION);
        return ExitDone;
    }
    // Decided before anything is written into the temporary folder: the start-up files there belong to
    // the setup that runs. The help box changes nothing and neither waits for nor blocks one.
    const TSetupLock setupLock;
    if (setupLock.OtherSetupRuns())
        return RefuseSecondStart(silent);
    // A silent start shows nothing, not even a failure of the unit's start-up: the log file has it.
    try {
        CommonUtilsStartup();
    } catch (...) {
        return RefuseStart(silent, CurrentExceptionMessage());
    }

    int exitCode = ExitDone;
    try {
        if (silent) {
            exitCode = RunSilently(arguments);
        } else if (std::unique_ptr<TMainForm> form = TMainForm::CreateForm(GetCommandLineW())) {
            // A start-up failure has shown its box already; the program then ends with exit code 0.
            form->Show();
            RunMessageLoop();
        }
    } catch (...) {
        // Even an error nothing caught is no box in a silent run.
        if (silent)
            LogFileReports().Error(CurrentExceptionMessage(), ApplicationTitle);
        else
            HandleException();
        exitCode = ExitRunErrors;
    }
    // Started from the list of installed programs and removed the product: this copy goes at the restart.
    FinishKeptSetup();
    CommonUtilsShutdown();
    return exitCode;
}
