#include "archive/StagingFolder.h"
#include "common/Folders.h"
#include "common/PathText.h"
#include "common/PlainFiles.h"
#include "common/Registry.h"
#include "engine/FolderTrust.h"
#include "engine/KeptSetup.h"
#include "engine/RunLog.h"
#include "engine/RunTexts.h"
#include "engine/Runs.h"
#include "engine/UninstallEntry.h"
#include "setup/SetupUtils.h"
#include "setup/SetupTexts.h"

namespace zarvo {

TRunOutcome RunRemoval(const TRunInput& input) {
    TRunLog log;
    // Without a folder the list's names would resolve against the current folder or the drive's root.
    if (input.installPath.empty()) {
        log.Stop(TextNoInstallPath);
        return log.Outcome();
    }
    // Nothing is unregistered or deleted through a folder that leads elsewhere or is not the
    // administrators' own.
    if (const std::wstring refusal = FolderRefusal(input.installPath); !refusal.empty()) {
        log.Stop(refusal);
        return log.Outcome();
    }

    log.Info(TextRemovingShortcut);
    // Unregistration reports its own steps; the files go whatever it answered.
    if (!log.Stage([&] {
            DeleteShortcut(ProductTitle, CSIDL_COMMON_DESKTOPDIRECTORY);
            DeleteShortcut(ProductTitle, CSIDL_COMMON_STARTMENU);
            return UnregisterComponents(input.installPath);
        }) &&
        !log.Stopped())
        log.Failed(TextUnregistering, TRunResult::DoneWithErrors);

    for (const std::wstring& name : *input.distList) {
        // A line that would leave the installation folder names nothing of ours.
        // A link put in a file's place is not the file, nor is a file with a name elsewhere.
        if (StaysInsideFolder(name) && DeletePlainFile(JoinPath(input.installPath, name)))
            log.Info(name + TextDeleted);
        else
            log.Error(TextCannotDelete + name);
    }

    // What a killed installation left staged is not the user's: it goes too. Only an empty folder goes,
    // never its parents. The process's own current folder (unpacking leaves it
    // in the installation folder) would keep it.
    SetCurrentDirectoryW(GetTempFolder().c_str());
    RemoveLeftStaging(input.installPath);
    if (RemoveDirectoryW(input.installPath.c_str()))
        log.Info(TextFolder + input.installPath + TextDeleted);
    else
        log.Error(TextCannotDeleteFolder + input.installPath);

    log.Info(TextFinishingRemoval);
    if (!log.Stage([&] {
            TRegistry registry;
            registry.SetRootKey(HKEY_LOCAL_MACHINE);
            // A key that is already gone is no error.
            registry.DeleteKey(ProductKey);
            // The list's entry goes with it, then the copy it starts; a copy that runs goes at the
            // program's end.
            DeleteUninstallEntry();
            if (!RemoveKeptSetup())
                log.Error(TextCannotDelete + KeptSetupPath());
        }))
        return log.Outcome();
    return log.Finish(TextRemovalDone, TextRemovalDoneWithErrors);
}

} // namespace zarvo
