#include "engine/Runs.h"

#include "archive/ArchiveExtract.h"
#include "archive/DistUnpack.h"
#include "common/FileInfo.h"
#include "common/Folders.h"
#include "common/PathText.h"
#include "common/Registry.h"
#include "common/SetupError.h"
#include "common/Text.h"
#include "engine/FolderTrust.h"
#include "engine/InstallState.h"
#include "engine/KeptSetup.h"
#include "engine/RunLog.h"
#include "engine/RunTexts.h"
#include "engine/UninstallEntry.h"
#include "setup/SetupUtils.h"
#include "setup/SetupTexts.h"

namespace zarvo {

namespace {

// The runtime library goes into the system folder only when it is not there; it is never registered.
bool ExtractSystemFile(TRunLog& log, const std::wstring& archivePath, const std::wstring& fileName) {
    const std::wstring systemFolder = GetSystemFolder();
    const std::wstring target = systemFolder + fileName;
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES)
        return true;
    log.Info(fileName + TextNotFound);
    if (!ExtractArchiveFile(archivePath, systemFolder, fileName)) {
        log.Error(TextCannotUnpack + fileName);
        return false;
    }
    log.Info(target + TextUnpacked);
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

// The list of installed programs and the copy of the setup it starts. What cannot be written there is a
// line of the log, not a failed installation.
void ListInstalledProgram(TRunLog& log, const TRunInput& input) {
    std::wstring failure;
    if (!KeepSetupCopy(failure) || !WriteUninstallEntry(input.installPath, *input.distList, failure))
        log.Info(TextNotListed + failure);
}

// Each line through the archive folder, the payload decompressed once; the first line that fails ends
// the run.
bool UnpackDistList(TRunLog& log, const TRunInput& input) {
    const std::vector<std::wstring>& lines = *input.distList;
    UnpackDistLines(input.archivePath, lines, input.installPath, DistFolder, input.unpack,
                    [&](size_t index, const TFolderExtraction& line) {
                        if (line.unpacked) {
                            log.Info(lines[index] + TextUnpacked);
                            return;
                        }
                        log.Stop(TextCannotUnpack + lines[index]);
                        // Why, when the system said: a full drive, a file held by another program.
                        if (line.writeError != 0)
                            log.Error(lines[index] + L": " + SystemErrorText(line.writeError));
                    });
    return !log.Stopped();
}

} // namespace

TRunOutcome RunInstallation(const TRunInput& input) {
    TRunLog log;
    if (input.installPath.empty()) {
        log.Stop(TextNoInstallPath);
        return log.Outcome();
    }
    if (!CreateInstallFolder(input.installPath)) {
        log.Stop(TextCannotCreatePath + input.installPath);
        return log.Outcome();
    }
    // Made or found: it must be the folder asked for and the administrators' own.
    if (const std::wstring refusal = FolderRefusal(input.installPath); !refusal.empty()) {
        log.Stop(refusal);
        return log.Outcome();
    }
    log.Info(TextCreatingPath + input.installPath);
    if (!log.Stage([&] { return UnpackDistList(log, input); }))
        return log.Outcome();
    // A missing runtime library is an error line; the run goes on.
    if (!log.Stage([&] { ExtractSystemFile(log, input.archivePath, RuntimeLibraryFile); }))
        return log.Outcome();
    if (!log.Stage([&] { return RegisterComponents(input.installPath); })) {
        log.Failed(TextRegistering, TRunResult::Stopped);
        return log.Outcome();
    }
    log.Info(TextCreatingShortcuts);
    if (!log.Stage([&] { CreateProductShortcuts(input.installPath, ShortcutTargetFile, ProductTitle); }))
        return log.Outcome();
    log.Info(TextFinishingInstall);
    if (!log.Stage([&] {
            WriteInstallState(input);
            ListInstalledProgram(log, input);
        }))
        return log.Outcome();
    return log.Finish(TextInstallDone, TextInstallDoneWithErrors);
}

} // namespace zarvo
