#include "app/Runs.h"

#include "app/InstallState.h"
#include "app/RunTexts.h"
#include "archive/ArchiveExtract.h"
#include "archive/DistUnpack.h"
#include "common/Text.h"
#include "common/PathText.h"
#include "common/CommonUtils.h"
#include "common/Registry.h"
#include "common/SetupError.h"
#include "setup/SetupUtils.h"

namespace zarvo {

namespace {

void Info(const std::wstring& text) {
    ReportInfo(text, InfoCaption);
}

void Error(const std::wstring& text) {
    ReportError(text, ErrorCaption);
}

// The runtime library goes into the system folder only when it is not there; it is never registered.
bool ExtractSystemFile(const std::wstring& archivePath, const std::wstring& fileName) {
    const std::wstring systemFolder = GetSystemFolder();
    const std::wstring target = systemFolder + fileName;
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    Info(fileName + TextNotFound);
    if (!ExtractArchiveFile(archivePath, systemFolder, fileName)) {
        Error(TextCannotUnpack + fileName);
        return false;
    }
    Info(target + TextUnpacked);
    return true;
}

// Desktop and Start menu of all users; their outcome is not looked at.
void CreateProductShortcuts(const std::wstring& installPath, const std::wstring& fileName,
                            const std::wstring& shortcutName) {
    const std::wstring target = JoinPath(installPath, fileName);
    CreateShortcut(target, installPath, shortcutName, CSIDL_COMMON_DESKTOPDIRECTORY);
    CreateShortcut(target, installPath, shortcutName, CSIDL_COMMON_STARTMENU);
}

// Keys that cannot be opened are skipped; a value that cannot be written raises.
void WriteInstallState(const TRunInput& input) {
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (registry.OpenKey(ProductKey, true)) {
        registry.WriteString(ProgPathValue, input.installPath);
        registry.WriteString(BuildDateValue, RecordedBuildDate);
        registry.CloseKey();
    }
    if (registry.OpenKey(InstallKey, true)) {
        registry.WriteString(InstalledDistribFileNameValue, input.setupExecutable);
        registry.WriteString(InstalledDistribFileTimeValue,
                             DecimalText(GetFileWriteTime(input.setupExecutable)));
        if (!input.autoMode)
            registry.WriteBool(AutoReinstallValue, input.autoReinstall);
        registry.CloseKey();
    }
}

// Each line through the archive folder, the payload decompressed once; the first line that fails ends
// the stage. False when it ended so.
bool UnpackDistList(const TRunInput& input) {
    const std::vector<std::wstring>& lines = *input.distList;
    bool allUnpacked = true;
    UnpackDistLines(input.archivePath, lines, input.installPath, DistFolder,
                    [&](size_t index, bool unpacked) {
                        if (unpacked) {
                            Info(lines[index] + TextUnpacked);
                        } else {
                            Error(TextCannotUnpack + lines[index]);
                            allUnpacked = false;
                        }
                    });
    return allUnpacked;
}

} // namespace

void RunInstallation(const TRunInput& input) {
    if (input.installPath.empty())
        throw ESetupError(TextNoInstallPath);
    if (!ForceDirectories(input.installPath)) {
        Error(TextCannotCreatePath + input.installPath);
        return;
    }
    Info(TextCreatingPath + input.installPath);
    if (!UnpackDistList(input))
        return;
    bool runtimePlaced = ExtractSystemFile(input.archivePath, RuntimeLibraryFile);
    if (!RegisterComponents(input.installPath))
        return;
    Info(TextCreatingShortcuts);
    CreateProductShortcuts(input.installPath, ShortcutTargetFile, ProductTitle);
    Info(TextFinishingInstall);
    WriteInstallState(input);
    // A run that reported an error never ends with the success line.
    if (runtimePlaced)
        Info(TextInstallDone);
    else
        Error(TextInstallDoneWithErrors);
}

} // namespace zarvo
