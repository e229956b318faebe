// The wizard's way through its pages: the buttons' handlers, the runs on the status page, the check for
// running components on the first show and the unattended reinstall on activation.

#include "app/PageFlow.h"

#include "app/Application.h"
#include "app/MainUnit.h"
#include "app/WizardTexts.h"
#include "common/Folders.h"
#include "common/PathText.h"
#include "common/Reporting.h"
#include "engine/ComponentClosing.h"
#include "engine/InstallPathCheck.h"
#include "engine/RunLog.h"
#include "engine/RunTexts.h"
#include "engine/TargetChecks.h"
#include "logview/LogView.h"
#include "common/Product.h"

namespace zarvo {

void TMainForm::ShowPage(const TPageState& state) {
    ShowPage(state.page, state.back, state.forward, state.cancel);
}

void TMainForm::ForwardButtonClick() {
    switch (currentPage_) {
    case TControlId::SheetNew:
        // Every visit proposes the default folder again.
        SetText(TControlId::PathEdit, session_.DefaultInstallPath());
        ShowPage(PathPage);
        break;
    case TControlId::SheetPath:
        session_.InstallPath = WithoutTrailingBackslashes(ResolveSubstPath(GetText(TControlId::PathEdit)));
        if (!CheckInstallPath(session_.InstallPath, session_.Reporter()) ||
            !CheckInstallTarget(session_.InstallPath, session_.ArchivePath, session_.System(),
                                session_.Reporter()))
            break;
        session_.AutoReinstallFlag = IsChecked(TControlId::cbNewAutoReinstall);
        RunOnStatusPage(&TMainForm::PerformInstall);
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
    if (prompts_->ShowMessage(TextCancelQuestion, TextCancelCaption, MB_YESNO) == IDYES)
        Close();
}

void TMainForm::RestoreButtonClick() {
    session_.AutoReinstallFlag = IsChecked(TControlId::cbAutoReinstall);
    // Nothing is removed when the installation could not be made again.
    if (CheckInstallTarget(session_.InstallPath, session_.ArchivePath, session_.System(),
                           session_.Reporter()))
        RunOnStatusPage(&TMainForm::PerformRestore);
}

TRunOutcome TMainForm::PerformRestore() {
    TRunOutcome removal = PerformRemove();
    TRunOutcome installation = PerformInstall();
    // The worse of the two tells how the restore went.
    return removal.result > installation.result ? removal : installation;
}

TRunOutcome TMainForm::PerformAutoReinstall() {
    // On the status page a refusal is a line of the log, and the run has failed before it began.
    TRunLog check(session_.Reporter());
    if (!CheckInstallTarget(session_.InstallPath, session_.ArchivePath, session_.System(), check)) {
        check.StopHere();
        return check.Outcome();
    }
    // Over the installation as it is, without a removal.
    return PerformInstall();
}

void TMainForm::RemoveButtonClick() {
    RunOnStatusPage(&TMainForm::PerformRemove);
}

TRunOutcome TMainForm::RunOnStatusPage(TRunOutcome (TMainForm::*run)()) {
    ShowPage(RunPage);
    // From here on every report is a line of the log, for the rest of the program.
    OnReportError = [this](const std::wstring& text, const std::wstring& caption) {
        LogError(text, caption);
    };
    OnReportInfo = [this](const std::wstring& text, const std::wstring& caption) {
        LogInfo(text, caption);
    };
    TRunOutcome outcome = (this->*run)();
    FinishRun();
    return outcome;
}

void TMainForm::LogError(const std::wstring& text, const std::wstring& caption) {
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
    std::wstring folder = GetText(TControlId::PathEdit);
    if (!DirectoryExists(folder))
        folder = session_.ProgramFilesPath;
    if (prompts_->PickFolder(folder))
        SetText(TControlId::PathEdit, JoinPath(folder, ProductFolderName));
}

void TMainForm::FormShow() {
    if (session_.AutoMode || StartupCheckDone)
        return;
    StartupCheckDone = true;
    if (CheckComponentsClosed())
        return;
    Close();
    Terminate();
}

bool TMainForm::CheckComponentsClosed() {
    bool closed = TRunComponentCloser(session_.System(), prompts_).CloseRunningComponents(false);
    BringToFront();
    if (closed)
        return true;
    ReportError(TextComponentsRunning, ErrorCaption);
    BringToFront();
    return false;
}

void TMainForm::FormActivate() {
    // The reinstall runs once, on the first activation.
    if (!session_.AutoMode || StartupCheckDone)
        return;
    const TSystem& system = session_.System();
    ProcessMessages();
    system.Wait(2000);
    StartupCheckDone = true;
    ProcessMessages();
    // Whether all of them closed or not, the reinstall goes on.
    TRunComponentCloser(system, nullptr).CloseRunningComponents(true);
    ProcessMessages();
    system.Wait(200);
    const TRunOutcome outcome = RunOnStatusPage(&TMainForm::PerformAutoReinstall);
    EnableWindow(Control(TControlId::ForwardButton), FALSE);
    ProcessMessages();
    if (outcome.Failed()) {
        // The log says what went wrong; the wizard stays open until "Завершить".
        prompts_->ShowMessage(TextAutoFailed, TextAutoCaption, MB_OK | MB_ICONERROR);
        EnableWindow(Control(TControlId::ForwardButton), TRUE);
        return;
    }
    prompts_->ShowMessage(TextAutoDone, TextAutoCaption, MB_OK);
    Close();
}

} // namespace zarvo
