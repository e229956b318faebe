// Program entry of SetupZarvo.exe.

#include "app/Application.h"
#include "app/MainUnit.h"
#include "common/CommonUtils.h"
#include "common/SetupError.h"

#include <exception>

using namespace zarvo;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Libraries come by full path only, never from the folder the installer was started in nor from the
    // one it was downloaded to.
    SetDllDirectoryW(L"");
    RestrictLibrarySearchToSystemFolder();
    ApplicationTitle = L"Установка Zarvo";
    try {
        CommonUtilsStartup();
    } catch (const ESetupError& error) {
        ShowApplicationMessageBox(error.Message(), ApplicationTitle, MB_OK | MB_ICONERROR);
        return 1;
    } catch (const std::exception& error) {
        ShowApplicationMessageBox(Utf8ToWide(error.what()), ApplicationTitle, MB_OK | MB_ICONERROR);
        return 1;
    }

    int exitCode = 0;
    try {
        // A start-up failure has shown its box already; the program then ends with exit code 0.
        if (std::unique_ptr<TMainForm> form = TMainForm::CreateForm(GetCommandLineW())) {
            form->Show();
            RunMessageLoop();
        }
    } catch (...) {
        HandleException();
        exitCode = 1;
    }
    CommonUtilsShutdown();
    return exitCode;
}
