#pragma once
// MainUnit: the wizard's main form TMainForm; the state the steps share is its session's.

#include "app/MainLayout.h"
#include "common/GdiHandles.h"
#include "engine/Prompts.h"
#include "engine/Runs.h"
#include "engine/Session.h"
#include "shell/BrowseFolderDialog.h"

#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace zarvo {

class TMainForm;
struct TPageState;

extern TMainForm* MainForm;

inline constexpr const wchar_t* MainFormClassName = L"TMainForm";

// The form answers the prompts with real windows.
class TMainForm : public TPrompts {
public:
    // Creates the form with its layout and runs FormCreate, as the program entry does; the form becomes
    // MainForm. On a start-up failure the error has been shown in its box (caption
    // "Ошибка запуска установки"), the form is gone again and the result is empty: the program ends.
    // The command line is the whole line, program name first, as GetCommandLineW gives it. Tests give
    // the system and prompts of their own; by default the form answers its prompts itself.
    static std::unique_ptr<TMainForm> CreateForm(const std::wstring& commandLine,
                                                 const TSystem& system = DefaultSystem(),
                                                 TPrompts* prompts = nullptr);

    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;
    ~TMainForm() override;

    // Shows the form and brings it to the front.
    void Show();
    // Closes the form once the current message is handled; closing the main form ends the program.
    void Close();
    // Makes the form the foreground window when it is visible.
    void BringToFront();

    // Event handlers, bound to the controls and the form's own events.
    bool FormCreate();
    void ForwardButtonClick();
    void CancelButtonClick();
    void BackButtonClick();
    void RemoveButtonClick();
    void RestoreButtonClick();
    void rbIClick();
    void rbINotAgreeClick();
    void FormDestroy();
    void bPickDirectoryClick();
    void FormShow();
    void FormActivate();

    // The runs, called by the page flow. Install lets the status page paint first.
    TRunOutcome PerformInstall();
    TRunOutcome PerformRemove();
    // The report handlers of a run: a line of the log M each, an error line as caption + ": " + text.
    void LogError(const std::wstring& text, const std::wstring& caption);
    void LogInfo(const std::wstring& text, const std::wstring& caption);
    // The finished state: forward becomes "Завершить" and the only way on.
    void FinishRun();
    bool CheckComponentsClosed();

    // The prompts, answered with real windows owned by the form.
    int ShowMessage(const std::wstring& text, const std::wstring& caption, UINT flags) override;
    bool ConfirmUnload() override;
    bool PickFolder(std::wstring& folder) override;

    // Enter and Escape for the form: Escape presses CancelButton, Enter the focused push button or else
    // ForwardButton, each only while it is enabled and visible. True when the key was the form's.
    bool HandleDialogKey(const MSG& msg);

    // State for the steps that follow start-up and for tests.
    HWND Handle() const noexcept { return handle_; }
    HWND Control(TControlId id) const noexcept;
    TControlId CurrentPage() const noexcept { return currentPage_; }
    // The control that has, or gets, the keyboard focus when the form is active.
    HWND ActiveControl() const noexcept;
    int Dpi() const noexcept { return dpi_; }
    // The session the form prepared: paths, the distribution list, the installation state.
    const TSetupSession& Session() const noexcept { return session_; }

private:
    TMainForm(std::wstring commandLine, const TSystem& system, TPrompts* prompts);

    bool ReadInstallState();
    // Makes the page current and sets the three buttons, in exactly this order: page, forward, back,
    // cancel.
    void ShowPage(TControlId page, bool backEnabled, bool forwardEnabled, bool cancelEnabled);
    void ShowPage(const TPageState& state);
    // Switches to the status page, routes every report into the log from now on, runs, and finishes.
    TRunOutcome RunOnStatusPage(TRunOutcome (TMainForm::*run)());
    // The removal, then the installation.
    TRunOutcome PerformRestore();
    // The unattended reinstall: the target checked, then the installation over what is there.
    TRunOutcome PerformAutoReinstall();
    void SetActiveControl(HWND control);

    // Window and layout (MainWindow.cpp).
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT HandleWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateWindowAndControls();
    HWND CreateControl(const TLayoutItem& item);
    // What a control needs once it exists: labels and pictures sized to their contents, a bitmap
    // button's glyph, the log's settings.
    void CompleteControl(HWND control, const TLayoutItem& item);
    void SetGlyph(HWND button, const wchar_t* resource);
    HFONT FontFor(const TFontStyle& item);
    void OrderChildren(TControlId parent);
    void Arrange();
    void ArrangeChildren(TControlId parent);
    void RestoreFocus();
    void OnCommand(int id, int code);
    void SetText(TControlId id, const std::wstring& text);
    std::wstring GetText(TControlId id) const;
    bool IsChecked(TControlId id) const;
    int Scale(int pixels) const noexcept;

    TSetupSession session_;
    TPrompts* prompts_;
    bool StartupCheckDone = false; // the check for running product components has been made
    TBrowseFolderDialog dPickFolder;

    std::wstring commandLine_;
    HWND handle_ = nullptr;
    std::array<HWND, size_t(TControlId::End) - size_t(TControlId::LeftPanel)> controls_{};
    TControlId currentPage_ = TControlId::None;
    HWND activeControl_ = nullptr;
    int dpi_ = 96;
    bool laidOut_ = false;
    bool inFormActivate_ = false;
    std::vector<std::pair<TFontStyle, TGdiObject>> fonts_;
    std::vector<TImageList> glyphs_;
    std::vector<TGdiObject> glyphBitmaps_;
};

} // namespace zarvo
