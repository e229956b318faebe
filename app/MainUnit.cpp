// TMainForm's start-up, page switching and event handlers.

#include "app/MainUnit.h"
#include "app/WizardTexts.h"

#include "app/Application.h"
#include "app/PageFlow.h"
#include "common/Dates.h"
#include "common/FileInfo.h"
#include "common/Reporting.h"
#include "common/SetupError.h"
#include "common/UnitStartup.h"
#include "engine/CommandLine.h"
#include "engine/StartupTexts.h"

namespace zarvo {

TMainForm* MainForm = nullptr;

bool TMainForm::FormCreate() {
    // Any failure before the first page is chosen ends the program; the box says why.
    try {
        ShowWindow(Control(TControlId::cbAutoReinstall), SW_SHOW);
        ShowWindow(Control(TControlId::cbNewAutoReinstall), SW_SHOW);
        BringToFront();
        session_.Prepare();
        SetText(TControlId::lDate, FormatFileDate(GetFileDate(ModulePath)));
        SetText(TControlId::lDescription, TextEdition);

        // The pages have no tabs: from here on they change only through ShowPage.
        bool installed = ReadInstallState();
        if (!installed) {
            ShowPage(WelcomePage);
        } else if (FirstArgumentIsAuto(commandLine_)) {
            session_.AutoMode = true;
            SetWindowTextW(handle_, AutoModeCaption);
            ShowPage(RunPage);
        } else {
            ShowPage(MaintenancePage);
            SetActiveControl(Control(TControlId::RestoreButton));
        }
        return true;
    } catch (...) {
        ReportError(CurrentExceptionMessage(), StartupErrorCaption);
    }
    return false;
}

bool TMainForm::ReadInstallState() {
    bool installed = session_.ReadInstallState();
    SendMessageW(Control(TControlId::cbAutoReinstall), BM_SETCHECK,
                 session_.AutoReinstallFlag ? BST_CHECKED : BST_UNCHECKED, 0);
    return installed;
}

void TMainForm::ShowPage(TControlId page, bool backEnabled, bool forwardEnabled, bool cancelEnabled) {
    // The buttons first: a page never shows with the buttons of the page before it.
    EnableWindow(Control(TControlId::ForwardButton), forwardEnabled);
    EnableWindow(Control(TControlId::BackButton), backEnabled);
    EnableWindow(Control(TControlId::CancelButton), cancelEnabled);
    if (page != currentPage_) {
        ShowWindow(Control(page), SW_SHOW);
        if (currentPage_ != TControlId::None)
            ShowWindow(Control(currentPage_), SW_HIDE);
        currentPage_ = page;
    }
    // The focus may have been on a control that is now hidden or disabled.
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(handle_, focus) && (!IsWindowVisible(focus) || !IsWindowEnabled(focus))) {
        activeControl_ = nullptr;
        RestoreFocus();
    }
}

void TMainForm::BringToFront() {
    // A hidden form is brought to the front when it is shown.
    if (handle_ != nullptr && IsWindowVisible(handle_))
        SetForegroundWindow(handle_);
}

void TMainForm::FormDestroy() {
    session_.Close();
}

TRunOutcome TMainForm::PerformInstall() {
    ProcessMessages();
    return RunInstallation(session_.RunInput(), session_.Reporter());
}

TRunOutcome TMainForm::PerformRemove() {
    return RunRemoval(session_.RunInput(), session_.Reporter());
}

void TMainForm::rbIClick() {
    EnableWindow(Control(TControlId::ForwardButton), TRUE);
}

void TMainForm::rbINotAgreeClick() {
    EnableWindow(Control(TControlId::ForwardButton), FALSE);
}

} // namespace zarvo
