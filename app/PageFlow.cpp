// The wizard's way through its pages: the buttons' handlers, the runs on the status page, the check for
// running components on the first show and the unattended reinstall on activation.

#include "app/PageFlow.h"

#include "app/Application.h"
#include "app/InstallPathCheck.h"
#include "app/MainUnit.h"
#include "app/StartupFiles.h"
#include "app/TargetChecks.h"
#include "app/WizardTexts.h"
#include "common/CommonUtils.h"
#include "common/SetupError.h"
#include "logview/LogView.h"
#include "common/PathText.h"
#include "setup/SetupUtils.h"

namespace zarvo {

void TMainForm::ShowPage(const TPageState& state) {
    ShowPage(state.page, state.back, state.forward, state.cancel);
}

void TMainForm::ForwardButtonClick() {
    switch (currentPage_) {
    case TControlId::SheetNew:
        // Every visit proposes the default folder again.
        SetText(TControlId::PathEdit, JoinPath(ProgramFilesPath, L"Zarvo"));
        ShowPage(PathPage);
        break;
    case TControlId::SheetPath:
        InstallPath = WithoutTrailingBackslashes(ResolveSubstPath(GetText(TControlId::PathEdit)));
        if (!CheckInstallPath(InstallPath) || !CheckInstallTarget(InstallPath, ArchivePath))
            break;
        AutoReinstallFlag = IsChecked(TControlId::cbNewAutoReinstall);
        RunOnStatusPage([this] { PerformInstall(); });
        break;
    case TControlId::SheetStatus:
        // Enabled there only once a run has finished.
        Close();
        break;
    default:
        break;
    }
}

void TMainForm::BackButtonClick() {
    if (currentPage_ == TControlId::SheetPath)
        ShowPage(WelcomePage);
}

void TMainForm::CancelButtonClick() {
    if (ShowMessageBox(TextCancelQuestion, TextCancelCaption, MB_YESNO) == IDYES)
        Close();
}

void TMainForm::RestoreButtonClick() {
    Restore();
}

bool TMainForm::Restore() {
    AutoReinstallFlag = IsChecked(TControlId::cbAutoReinstall);
    // Nothing is removed when the installation could not be made again.
    if (!CheckInstallTarget(InstallPath, ArchivePath))
        return false;
    RunOnStatusPage([this] {
        // The unattended reinstall unpacks over the installation as it is.
        if (!AutoMode)
            PerformRemove();
        PerformInstall();
    });
    return true;
}

void TMainForm::RemoveButtonClick() {
    RunOnStatusPage([this] { PerformRemove(); });
}

void TMainForm::RunOnStatusPage(const std::function<void()>& run) {
    ShowPage(RunPage);
    // From here on every report is a line of the log, for the rest of the program.
    OnReportError = [this](const std::wstring& text, const std::wstring& caption) {
        LogError(text, caption);
    };
    OnReportInfo = [this](const std::wstring& text, const std::wstring& caption) {
        LogInfo(text, caption);
    };
    try {
        run();
    } catch (...) {
        // A run ended by an error still ends in the finished state, with the error in the log.
        ReportError(CurrentExceptionMessage(), ErrorCaption);
    }
    FinishRun();
}

void TMainForm::LogError(const std::wstring& text, const std::wstring& caption) {
    logReportedError_ = true;
    if (TLogView* log = TLogView::FromHandle(Control(TControlId::M)))
        log->AddMessage(caption + L": " + text, 1);
}

void TMainForm::LogInfo(const std::wstring& text, const std::wstring&) {
    if (TLogView* log = TLogView::FromHandle(Control(TControlId::M)))
        log->AddMessage(text, 0);
}

void TMainForm::FinishRun() {
    SetText(TControlId::ForwardButton, TextFinishButton);
    EnableWindow(Control(TControlId::ForwardButton), TRUE);
}

void TMainForm::bPickDirectoryClick() {
    dPickFolder.FolderName = GetText(TControlId::PathEdit);
    if (!DirectoryExists(dPickFolder.FolderName))
        dPickFolder.FolderName = ProgramFilesPath;
    if (dPickFolder.Browse())
        SetText(TControlId::PathEdit, JoinPath(dPickFolder.FolderName, L"Zarvo"));
}

void TMainForm::FormShow() {
    if (AutoMode || StartupCheckDone)
        return;
    StartupCheckDone = true;
    if (CheckComponentsClosed())
        return;
    Close();
    Terminate();
}

bool TMainForm::CheckComponentsClosed() {
    bool closed = CloseRunningComponents(false);
    BringToFront();
    if (closed)
        return true;
    ReportError(TextComponentsRunning, ErrorCaption);
    BringToFront();
    return false;
}

void TMainForm::FormActivate() {
    // The reinstall runs once, on the first activation.
    if (!AutoMode || StartupCheckDone)
        return;
    ProcessMessages();
    Sleep(2000);
    StartupCheckDone = true;
    ProcessMessages();
    // Whether all of them closed or not, the reinstall goes on.
    CloseRunningComponents(true);
    ProcessMessages();
    Sleep(200);
    if (!Restore()) {
        // Refused before anything changed; the box said why.
        Close();
        return;
    }
    EnableWindow(Control(TControlId::ForwardButton), FALSE);
    ProcessMessages();
    if (logReportedError_) {
        // The log says what went wrong; the wizard stays open until "Завершить".
        ShowMessageBox(TextAutoFailed, TextAutoCaption, MB_OK | MB_ICONERROR);
        EnableWindow(Control(TControlId::ForwardButton), TRUE);
        return;
    }
    ShowMessageBox(TextAutoDone, TextAutoCaption, MB_OK);
    Close();
}

} // namespace zarvo
