#pragma once
// MainUnit: the wizard's main form TMainForm and the state the wizard's steps share.

#include "common/GdiHandles.h"
#include "app/CommandLine.h"
#include "app/MainLayout.h"
#include "common/Handles.h"
#include "shell/BrowseFolderDialog.h"

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zarvo {

class TMainForm;
struct TPageState;
struct TRunInput;

// Unit state, as the program loads it: false, false, no list, no form.
extern bool AutoMode;          // the unattended reinstall ("/auto" on an installed machine)
extern bool AutoReinstallFlag; // the user's choice to reinstall automatically
// The lines of Dist.lst, already converted from the OEM code page; created by FormCreate, freed by
// FormDestroy.
extern std::optional<std::vector<std::wstring>> DistList;
extern TMainForm* MainForm;

inline constexpr const wchar_t* MainFormClassName = L"TMainForm";
inline constexpr const wchar_t* StartupErrorCaption = L"Ошибка запуска установки";

// Creates the form unseen and runs the silent run the arguments ask for; the exit code.
int RunSilently(const TCommandLine& arguments);

class TMainForm {
public:
    // Creates the form with its layout and runs FormCreate, as the program entry does; the form becomes
    // MainForm. On a start-up failure the error has been shown in its box (caption
    // StartupErrorCaption), the form is gone again and the result is empty: the program ends.
    // The command line is the whole line, program name first, as GetCommandLineW gives it.
    static std::unique_ptr<TMainForm> CreateForm(const std::wstring& commandLine);

    TMainForm(const TMainForm&) = delete;
    TMainForm& operator=(const TMainForm&) = delete;
    ~TMainForm();

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

    // The runs, called by the page flow (and by tests). Install lets the status page paint first.
    void PerformInstall();
    void PerformRemove();
    // The report handlers of a run: a line of the log M each, an error line as caption + ": " + text.
    void LogError(const std::wstring& text, const std::wstring& caption);
    void LogInfo(const std::wstring& text, const std::wstring& caption);
    // The finished state: forward becomes "Завершить" and the only way on.
    void FinishRun();
    bool CheckComponentsClosed();

    // The silent run of an administrator (the form is never shown); its exit code.
    int RunSilent(const TCommandLine& arguments);

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
    const std::wstring& GetInstallPath() const noexcept { return InstallPath; }
    const std::wstring& GetArchivePath() const noexcept { return ArchivePath; }
    const std::wstring& GetProgramFilesPath() const noexcept { return ProgramFilesPath; }
    bool GetStartupCheckDone() const noexcept { return StartupCheckDone; }

private:
    explicit TMainForm(std::wstring commandLine);

    bool ReadInstallState();
    // Holds a start-up file just written (see HoldFile) and verifies what it holds; raises failure when
    // the file cannot be held or does not verify.
    void HoldStartupFile(const std::wstring& fileName, const std::wstring& failure,
                         const std::function<bool(HANDLE, const std::wstring&)>& verify);
    // Writes an RCDATA resource of the executable into the folder (which ends in a backslash) and holds it
    // as written; its path. Raises "cannot extract" when either fails.
    std::wstring PlaceStartupResource(const wchar_t* resourceName, const std::wstring& folder,
                                      const std::wstring& fileName);
    TRunInput RunInput() const;
    // Makes the page current and sets the three buttons, in exactly this order: page, forward, back,
    // cancel.
    void ShowPage(TControlId page, bool backEnabled, bool forwardEnabled, bool cancelEnabled);
    void ShowPage(const TPageState& state);
    // Switches to the status page, routes every report into the log from now on, runs, and finishes;
    // an error raised inside the run becomes an error line.
    void RunOnStatusPage(const std::function<void()>& run);
    // The restore button's work; false when the target was refused before anything changed.
    bool Restore();
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

    std::wstring InstallPath;      // the installation folder, without a trailing backslash
    std::wstring ArchivePath;      // the payload archive in the temporary folder
    std::wstring ProgramFilesPath; // the Program Files folder, without a trailing backslash
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
    bool logReportedError_ = false; // an error line has been added to the log
    std::vector<std::pair<TFontStyle, TGdiObject>> fonts_;
    std::vector<TImageList> glyphs_;
    std::vector<TGdiObject> glyphBitmaps_;
    std::vector<THandle> heldStartupFiles_; // the three start-up files, until the program ends
};

} // namespace zarvo
