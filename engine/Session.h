#pragma once
// The setup session: what the wizard prepares before its first page and shares with every run. The
// start-up files written into the temporary folder and held, and the session's own verified copies that
// are used; the extraction library bound; the distribution list loaded; the installation state read.

#include "archive/StagingFolder.h"
#include "common/Handles.h"
#include "common/Reporting.h"
#include "engine/Runs.h"
#include "engine/System.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace zarvo {

class TSetupSession {
public:
    // Every line of the session's checks and runs goes to the reporter.
    explicit TSetupSession(const TSystem& system, TReporter& reporter);
    TSetupSession(const TSetupSession&) = delete;
    TSetupSession& operator=(const TSetupSession&) = delete;
    // Closes the session; the start-up files stay in the temporary folder.
    ~TSetupSession();

    // ProgramFilesPath, the library and the payload written and held, the library bound, DistList loaded.
    // Raises ESetupError with the message of the start-up box.
    void Prepare();
    // Reads InstallPath and AutoReinstallFlag from the registry; true when the product is installed. An
    // absent or unreadable value means "not installed" or "not chosen"; what was read before it stays.
    bool ReadInstallState();
    // Frees DistList and releases the library.
    void Close();

    // Program Files\Zarvo: the folder proposed for a new installation.
    std::wstring DefaultInstallPath() const;
    TRunInput RunInput() const;
    const TSystem& System() const noexcept { return system_; }
    TReporter& Reporter() const noexcept { return reporter_; }

    std::wstring InstallPath;           // the installation folder, without a trailing backslash
    std::wstring ArchivePath;           // the payload archive: the session's own copy (see Prepare)
    std::wstring ProgramFilesPath;      // the Program Files folder, without a trailing backslash
    std::vector<std::wstring> DistList; // the lines of Dist.lst, already converted from the OEM code page
    bool AutoMode = false;              // the unattended reinstall ("/auto" on an installed machine)
    bool AutoReinstallFlag = false;     // the user's choice to reinstall automatically

private:
    // Keeps a start-up file held from its writing (WritePlainFile); raises failure when it could not be
    // written.
    void HoldWrittenFile(THandle written, const std::wstring& fileName, const std::wstring& failure);
    // Holds a start-up file just written and verifies what it holds; raises failure when the file cannot
    // be held or does not verify.
    void HoldStartupFile(const std::wstring& fileName, const std::wstring& failure,
                         const std::function<bool(HANDLE, const std::wstring&)>& verify);
    // Writes an RCDATA resource of the executable into the temporary folder and into the session's own
    // folder (both end in a backslash) and holds both; the path of the own copy. Raises "cannot extract"
    // when either fails.
    std::wstring PlaceStartupResource(const wchar_t* resourceName, const std::wstring& tempFolder,
                                      const std::wstring& ownFolder, const std::wstring& fileName);

    const TSystem& system_;
    TReporter& reporter_;
    bool libraryBound_ = false;
    // Removed with the copies in it once their handles below are closed.
    std::optional<TStagingFolder> ownFolder_;
    std::vector<THandle> heldStartupFiles_; // until the session ends
};

} // namespace zarvo
