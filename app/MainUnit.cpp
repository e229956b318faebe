// TMainForm's start-up, page switching and event handlers.

#include "app/MainUnit.h"
#include "app/WizardTexts.h"

#include "app/Application.h"
#include "app/InstallState.h"
#include "app/PageFlow.h"
#include "app/Runs.h"
#include "app/StartupFiles.h"
#include "archive/ArchiveExtract.h"
#include "archive/UnRAR.h"
#include "common/CommonUtils.h"
#include "common/PathText.h"
#include "common/Registry.h"
#include "common/SetupError.h"

namespace zarvo {

bool AutoMode = false;
bool AutoReinstallFlag = false;
std::optional<std::vector<std::wstring>> DistList;
TMainForm* MainForm = nullptr;

bool TMainForm::FormCreate() {
    // Any failure before the first page is chosen ends the program; the box says why.
    try {
        ShowWindow(Control(TControlId::cbAutoReinstall), SW_SHOW);
        ShowWindow(Control(TControlId::cbNewAutoReinstall), SW_SHOW);
        BringToFront();
        ProgramFilesPath = WithoutTrailingBackslashes(GetSpecialFolderPath(CSIDL_PROGRAM_FILES));

        std::wstring tempFolder = WithTrailingBackslash(GetTempFolder());
        // Each file is held from the moment it is verified until the program ends: nothing another
        // process writes into the temporary folder reaches the library loader or the installation.
        const std::wstring libraryPath = PlaceStartupResource(L"unrar_dll", tempFolder, L"Unrar.dll");
        ArchivePath = PlaceStartupResource(L"SetupZarvo_rar", tempFolder, L"SetupZarvo.rar");
        if (!LoadRarLibrary(libraryPath))
            throw ESetupError(TextCannotLoadUnrar);
        SetText(TControlId::lDate, FormatFileDate(GetFileDate(ModulePath)));
        SetText(TControlId::lDescription, TextEdition);
        DistList.emplace();
        // The archive functions join folder and name with a backslash of their own.
        std::wstring targetFolder = tempFolder.substr(0, tempFolder.size() - 1);
        const std::wstring listFailure =
            TextCannotExtract + std::wstring(L"Dist.lst") + TextExtractInto + tempFolder;
        if (!ExtractArchiveFile(ArchivePath, targetFolder, L"Dist.lst"))
            throw ESetupError(listFailure);
        // The list is what the (verified) payload stores: its bytes match the entry's CRC.
        std::string listBytes;
        HoldStartupFile(tempFolder + L"Dist.lst", listFailure, [&](HANDLE file, const std::wstring& name) {
            uint32_t stored = 0;
            listBytes = ReadHeldFile(file, name);
            return ReadArchiveEntryCrc(ArchivePath, L"Dist.lst", stored) && Crc32(listBytes) == stored;
        });
        *DistList = SplitDistList(listBytes);

        // The pages have no tabs: from here on they change only through ShowPage.
        bool installed = ReadInstallState();
        if (!installed) {
            ShowPage(WelcomePage);
        } else if (FirstArgumentIsAuto(commandLine_)) {
            AutoMode = true;
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

void TMainForm::HoldStartupFile(const std::wstring& fileName, const std::wstring& failure,
                                const std::function<bool(HANDLE, const std::wstring&)>& verify) {
    if (OnStartupFileWritten)
        OnStartupFileWritten(fileName);
    THandle held = HoldFile(fileName);
    bool verified = false;
    try {
        verified = held.Valid() && verify(held.Get(), fileName);
    } catch (const std::exception&) {
        // An unreadable file is one that does not verify.
    }
    if (!verified)
        throw ESetupError(failure);
    heldStartupFiles_.push_back(std::move(held));
}

std::wstring TMainForm::PlaceStartupResource(const wchar_t* resourceName, const std::wstring& folder,
                                             const std::wstring& fileName) {
    const std::wstring path = folder + fileName;
    const std::wstring failure = TextCannotExtract + fileName + TextExtractInto + folder;
    if (!ExtractResourceToFile(resourceName, path))
        throw ESetupError(failure);
    HoldStartupFile(path, failure, [resourceName](HANDLE file, const std::wstring&) {
        return HeldFileEquals(file, ResourceData(resourceName).value_or(""));
    });
    return path;
}

bool TMainForm::ReadInstallState() {
    bool installed = false;
    {
        TRegistry registry(KEY_READ);
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        // An absent or unreadable value means "not installed" or "not chosen"; what was read before the
        // failure stays.
        try {
            if (registry.OpenKeyReadOnly(ProductKey)) {
                InstallPath = registry.ReadString(ProgPathValue);
                registry.CloseKey();
                installed = !InstallPath.empty();
            }
            if (registry.OpenKeyReadOnly(InstallKey)) {
                AutoReinstallFlag = registry.ReadBool(AutoReinstallValue);
                registry.CloseKey();
            }
        } catch (const std::exception&) {
        }
    }
    SendMessageW(Control(TControlId::cbAutoReinstall), BM_SETCHECK,
                 AutoReinstallFlag ? BST_CHECKED : BST_UNCHECKED, 0);
    return installed;
}

void TMainForm::ShowPage(TControlId page, bool backEnabled, bool forwardEnabled, bool cancelEnabled) {
    if (page != currentPage_) {
        ShowWindow(Control(page), SW_SHOW);
        if (currentPage_ != TControlId::None)
            ShowWindow(Control(currentPage_), SW_HIDE);
        currentPage_ = page;
    }
    EnableWindow(Control(TControlId::ForwardButton), forwardEnabled);
    EnableWindow(Control(TControlId::BackButton), backEnabled);
    EnableWindow(Control(TControlId::CancelButton), cancelEnabled);
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
    DistList.reset();
    FreeRarLibrary();
}

void TMainForm::PerformInstall() {
    ProcessMessages();
    RunInstallation(RunInput());
}

void TMainForm::PerformRemove() {
    RunRemoval(RunInput());
}

TRunInput TMainForm::RunInput() const {
    return {InstallPath, ArchivePath, &DistList.value(), AutoMode, AutoReinstallFlag, ModulePath};
}

void TMainForm::rbIClick() {
    EnableWindow(Control(TControlId::ForwardButton), TRUE);
}

void TMainForm::rbINotAgreeClick() {
    EnableWindow(Control(TControlId::ForwardButton), FALSE);
}

} // namespace zarvo
