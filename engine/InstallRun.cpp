#include "engine/Runs.h"

#include "archive/ArchiveExtract.h"
#include "archive/DistUnpack.h"
#include "common/Folders.h"
#include "common/PathText.h"
#include "engine/FolderTrust.h"
#include "engine/InstallState.h"
#include "engine/KeptSetup.h"
#include "engine/RunLog.h"
#include "engine/RunTexts.h"
#include "engine/UninstallEntry.h"
#include "setup/SetupUtils.h"

namespace zarvo {

namespace {

// The runtime library goes into the system folder only when it is not there; it is never registered.
void ExtractSystemFile(TRunLog& log, const std::wstring& archivePath, const std::wstring& fileName) {
    const std::wstring systemFolder = GetSystemFolder();
    const std::wstring target = systemFolder + fileName;
    if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES)
        return;
    log.Info(fileName + TextNotFound);
    if (ExtractArchiveFile(archivePath, systemFolder, fileName))
        log.Info(target + TextUnpacked);
    else
        log.Error(TextCannotUnpack + fileName);
}

// Desktop and Start menu of all users; their outcome is not looked at.
void CreateProductShortcuts(const std::wstring& installPath, const std::wstring& fileName,
                            const std::wstring& shortcutName) {
    const std::wstring target = JoinPath(installPath, fileName);
    CreateShortcut(target, installPath, shortcutName, CSIDL_COMMON_DESKTOPDIRECTORY);
    CreateShortcut(target, installPath, shortcutName, CSIDL_COMMON_STARTMENU);
}

// The list of installed programs and the copy of the setup it starts. What cannot be written there is a
// line of the log, not a failed installation; an entry of an earlier installation then goes, so that no
// entry names a copy that is not there.
void ListInstalledProgram(TRunLog& log, const TRunInput& input) {
    TFailure failure;
    if (KeepSetupCopy(failure) && WriteUninstallEntry(input.installPath, *input.distList, failure))
        return;
    DeleteUninstallEntry();
    log.Info(TextNotListed + failure.text);
}

// Each line's outcome as a log line; the first line that fails ends the run, with why when the system said
// (a full drive, a file held by another program).
class TLineLog final : public TLineUnpacked {
public:
    TLineLog(TRunLog& log, const std::vector<std::wstring>& lines) : log_(log), lines_(lines) {}

    void LineUnpacked(size_t index, const TFolderExtraction& line) override {
        if (line.unpacked) {
            log_.Info(lines_[index] + TextUnpacked);
            return;
        }
        log_.Stop(TextCannotUnpack + lines_[index]);
        if (!line.failure.text.empty())
            log_.Error(line.failure.text);
    }

private:
    TRunLog& log_;
    const std::vector<std::wstring>& lines_;
};

// Each line through the archive folder, the payload decompressed once.
bool UnpackDistList(TRunLog& log, const TRunInput& input, const THeldFolder& folder) {
    TLineLog lineLog(log, *input.distList);
    UnpackDistLines(input.archivePath, *input.distList, input.installPath, DistFolder, input.unpack, lineLog,
                    &folder);
    return !log.Stopped();
}

} // namespace

TRunOutcome RunInstallation(const TRunInput& input, TReporter& reporter) {
    TRunLog log(reporter);
    if (input.installPath.empty()) {
        log.Stop(TextNoInstallPath);
        return log.Outcome();
    }
    // Before it is made, so that nothing is made where the folder is refused; made or found, it must be
    // the folder asked for and the administrators' own.
    TFailure refusal;
    if (!FolderTrusted(input.installPath, refusal)) {
        log.Stop(refusal.text);
        return log.Outcome();
    }
    if (!CreateInstallFolder(input.installPath)) {
        log.Stop(TextCannotCreatePath + input.installPath);
        return log.Outcome();
    }
    // Held from here to the run's end, the registration's loads included.
    const THeldFolder held =
        FolderTrusted(input.installPath, refusal) ? HoldFolder(input.installPath, refusal) : THeldFolder();
    if (!held.Valid()) {
        log.Stop(refusal.text);
        return log.Outcome();
    }
    log.Info(TextCreatingPath + input.installPath);
    if (!log.Stage([&] { return UnpackDistList(log, input, held); }))
        return log.Outcome();
    // A missing runtime library is an error line, and so is one that could not be placed for whatever
    // reason: the run goes on.
    log.Step([&] { ExtractSystemFile(log, input.archivePath, RuntimeLibraryFile); });
    // The registration reports its own steps through the run's log.
    if (!log.Stage([&] { return RegisterComponents(input.installPath, log); })) {
        log.StopHere();
        return log.Outcome();
    }
    log.Info(TextCreatingShortcuts);
    // Shortcuts that cannot be made are no failure; one that raises is a line, and the run goes on.
    log.Step([&] { CreateProductShortcuts(input.installPath, ShortcutTargetFile, ProductTitle); });
    log.Info(TextFinishingInstall);
    if (!log.Stage([&] { WriteInstallState(input.installPath, input.setupExecutable, input.autoReinstall); }))
        return log.Outcome();
    log.Step([&] { ListInstalledProgram(log, input); });
    return log.Finish(TextInstallDone, TextInstallDoneWithErrors);
}

} // namespace zarvo
