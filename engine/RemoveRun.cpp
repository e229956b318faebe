#include "archive/StagingFolder.h"
#include "common/Folders.h"
#include "common/PathText.h"
#include "common/PlainFiles.h"
#include "engine/FolderTrust.h"
#include "engine/InstallState.h"
#include "engine/KeptSetup.h"
#include "engine/RunLog.h"
#include "engine/RunTexts.h"
#include "engine/Runs.h"
#include "engine/UninstallEntry.h"
#include "setup/SetupUtils.h"
#include "setup/SetupTexts.h"

namespace zarvo {

namespace {

// The file of a list's line, reached through the held folder one folder at a time. A line that would
// leave the installation folder names nothing of ours; a link put in a file's or a folder's place is not
// it, nor is a file with a name elsewhere.
bool DeleteListedFile(const THeldFolder& folder, const std::wstring& name) {
    if (!StaysInsideFolder(name))
        return false;
    const size_t separator = name.find_last_of(L"\\/");
    if (separator == std::wstring::npos)
        return DeletePlainChild(folder, name);
    const THeldFolder below = folder.FolderBelow(name.substr(0, separator), TChildOpen::Existing);
    return below.Valid() && DeletePlainChild(below, name.substr(separator + 1));
}

// Every line is attempted.
void DeleteListedFiles(TRunLog& log, const TRunInput& input, const THeldFolder& folder) {
    for (const std::wstring& name : *input.distList) {
        if (folder.Valid() && DeleteListedFile(folder, name))
            log.Info(name + TextDeleted);
        else
            log.Error(TextCannotDelete + name);
    }
}

// Only an empty folder goes, never its parents.
void RemoveInstallFolder(TRunLog& log, const std::wstring& folder) {
    // The process's own current folder (unpacking leaves it in the installation folder) would keep it.
    SetCurrentDirectoryW(GetTempFolder().c_str());
    if (RemoveDirectoryW(folder.c_str())) {
        log.Info(TextFolder + folder + TextDeleted);
        return;
    }
    const DWORD reason = GetLastError();
    log.Error(TextCannotDeleteFolder + folder);
    if (reason == ERROR_DIR_NOT_EMPTY)
        log.NoteFolderKept();
}

// Nothing is unregistered or deleted through a folder that is not named, leads elsewhere or is not the
// administrators' own. False, with why, for such a folder.
bool FolderUsable(const std::wstring& folder, TFailure& refusal) {
    if (folder.empty()) {
        refusal.text = TextNoInstallPath;
        return false;
    }
    return FolderTrusted(folder, refusal);
}

} // namespace

TRunOutcome RunRemoval(const TRunInput& input, TReporter& reporter) {
    TRunLog log(reporter);
    // No failure stops the removal: each step that raises is an error line, and the next one runs.
    log.Info(TextRemovingShortcut);
    log.Step([&] {
        DeleteShortcut(ProductTitle, CSIDL_COMMON_DESKTOPDIRECTORY);
        DeleteShortcut(ProductTitle, CSIDL_COMMON_STARTMENU);
    });
    TFailure refusal;
    // Held while its libraries are loaded and its files deleted, and let go before it is removed itself.
    // One already gone is no refusal: each of its steps then says what it could not do.
    THeldFolder held;
    if (FolderUsable(input.installPath, refusal) &&
        (!DirectoryExists(input.installPath) || (held = HoldFolder(input.installPath, refusal)).Valid())) {
        // Unregistration reports its own steps; the files go whatever it answered.
        log.Step([&] { UnregisterComponents(input.installPath, log); });
        // What a killed installation left staged is not the user's: it goes before the folder.
        log.Step([&] {
            DeleteListedFiles(log, input, held);
            if (held.Valid())
                RemoveLeftStaging(held);
        });
        held.Reset();
        log.Step([&] { RemoveInstallFolder(log, input.installPath); });
    } else {
        // What goes through the folder is skipped, each step saying why; everything else still goes, so
        // that the product can be removed and is no longer offered as installed.
        log.Error(TextUnregistering + (L": " + refusal.text));
        log.Error(TextFilesNotDeleted + refusal.text);
        log.Error(TextCannotDeleteFolder + input.installPath + L": " + refusal.text);
    }

    log.Info(TextFinishingRemoval);
    log.Step([&] {
        if (!DeleteInstallState())
            log.Error(TextCannotDelete + (L"HKEY_LOCAL_MACHINE" + std::wstring(ProductKey)));
    });
    // The list's entry goes with the product key, then the copy it starts; a copy that runs goes at the
    // program's end.
    log.Step([] { DeleteUninstallEntry(); });
    log.Step([&] {
        if (!RemoveKeptSetup())
            log.Error(TextCannotDelete + KeptSetupPath());
    });
    return log.Finish(TextRemovalDone, TextRemovalDoneWithErrors);
}

} // namespace zarvo
