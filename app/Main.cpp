// Program entry of SetupZarvo.exe.

#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/MainUnit.h"
#include "common/CommonUtils.h"
#include "common/SetupError.h"

#include <exception>

using namespace zarvo;

namespace {

// A silent run shows nothing: what a box would say is in the log file already; a question is declined.
int AnswerSilently(const std::wstring&, const std::wstring&, UINT flags) {
    return (flags & MB_TYPEMASK) == MB_OK ? IDOK : IDNO;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Libraries come by full path only, never from the folder the installer was started in nor from the
    // one it was downloaded to.
    SetDllDirectoryW(L"");
    RestrictLibrarySearchToSystemFolder();
    ApplicationTitle = L"Установка Zarvo";
    const TCommandLine arguments = ParseCommandLine(GetCommandLineW());
    SetLogFile(arguments.logFile.value_or(GetTempFolder() + L"SetupZarvo.log"));
    if (arguments.silent)
        SetMessageBoxHandler(&AnswerSilently);
    else if (arguments.help) {
        ShowMessageBox(CommandLineHelp, ApplicationTitle, MB_OK | MB_ICONINFORMATION);
        return ExitDone;
    }
    try {
        CommonUtilsStartup();
    } catch (...) {
        ReportError(CurrentExceptionMessage(), ApplicationTitle);
        return arguments.silent ? ExitRefused : ExitRunErrors;
    }

    int exitCode = ExitDone;
    try {
        if (arguments.silent) {
            exitCode = RunSilently(arguments);
        } else if (std::unique_ptr<TMainForm> form = TMainForm::CreateForm(GetCommandLineW())) {
            // A start-up failure has shown its box already; the program then ends with exit code 0.
            form->Show();
            RunMessageLoop();
        }
    } catch (...) {
        HandleException();
        exitCode = ExitRunErrors;
    }
    CommonUtilsShutdown();
    return exitCode;
}
