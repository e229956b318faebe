#include "app/RunTexts.h"
#include "app/Runs.h"
#include "common/PathText.h"
#include "common/CommonUtils.h"
#include "common/Registry.h"
#include "common/SetupError.h"
#include "setup/SetupUtils.h"

namespace zarvo {

void RunRemoval(const TRunInput& input) {
    // Without a folder the list's names would resolve against the current folder or the drive's root.
    if (input.installPath.empty())
        throw ESetupError(TextNoInstallPath);
    bool failed = false;
    auto info = [](const std::wstring& text) {
        ReportInfo(text, InfoCaption);
    };
    auto error = [&failed](const std::wstring& text) {
        ReportError(text, ErrorCaption);
        failed = true;
    };

    info(TextRemovingShortcut);
    DeleteShortcut(ProductTitle, CSIDL_COMMON_DESKTOPDIRECTORY);
    DeleteShortcut(ProductTitle, CSIDL_COMMON_STARTMENU);
    // Reports its own steps; the files go whatever it answered.
    if (!UnregisterComponents(input.installPath))
        failed = true;

    for (const std::wstring& name : *input.distList) {
        // A line that would leave the installation folder names nothing of ours.
        if (StaysInsideFolder(name) && DeleteFileW(JoinPath(input.installPath, name).c_str()))
            info(name + TextDeleted);
        else
            error(TextCannotDelete + name);
    }

    // Only an empty folder goes, never its parents. The process's own current folder (unpacking leaves it
    // in the installation folder) would keep it.
    SetCurrentDirectoryW(GetTempFolder().c_str());
    if (RemoveDirectoryW(input.installPath.c_str()))
        info(TextFolder + input.installPath + TextDeleted);
    else
        error(TextCannotDeleteFolder + input.installPath);

    info(TextFinishingRemoval);
    {
        TRegistry registry;
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        // A key that is already gone is no error.
        registry.DeleteKey(ProductKey);
    }
    if (failed)
        error(TextRemovalDoneWithErrors);
    else
        info(TextRemovalDone);
}

} // namespace zarvo
