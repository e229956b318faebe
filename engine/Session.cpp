#include "engine/Session.h"

#include "archive/ArchiveExtract.h"
#include "archive/UnRAR.h"
#include "common/Checksum.h"
#include "common/Folders.h"
#include "common/PathText.h"
#include "common/PlainFiles.h"
#include "common/Resources.h"
#include "common/SetupError.h"
#include "common/SpecialFolders.h"
#include "engine/EmbeddedFiles.h"
#include "common/UnitStartup.h"
#include "engine/InstallState.h"
#include "engine/StartupFiles.h"
#include "engine/StartupTexts.h"

#include <shlobj.h>

namespace zarvo {

TSetupSession::TSetupSession(const TSystem& system, TReporter& reporter)
    : system_(system), reporter_(reporter) {}

TSetupSession::~TSetupSession() {
    Close();
}

void TSetupSession::Prepare() {
    // Before anything is written: a damaged download changes nothing.
    if (!EmbeddedFilesIntact())
        throw ESetupError(TextSetupDamaged);
    ProgramFilesPath = WithoutTrailingBackslashes(GetSpecialFolderPath(CSIDL_PROGRAM_FILES));
    const std::wstring tempFolder = WithTrailingBackslash(GetTempFolder());
    // The user's programs can write the temporary folder and redirect it. The files there are written
    // and held, never opened again: the library is loaded, and the payload read, from copies in a folder
    // that only the system and administrators can write, made new for this session.
    // The system's own temporary folder: the user's programs can add to it but not rename or replace it.
    const std::wstring systemTemp = GetWindowsFolder() + L"Temp";
    TFailure failure;
    ownFolder_.emplace(THeldFolder::Open(systemTemp, failure), systemTemp, SessionFolderPattern,
                       PrivateFolderAccess);
    if (!ownFolder_->Valid())
        throw ESetupError(TextCannotMakeOwnFolder + systemTemp);
    const std::wstring ownFolder = WithTrailingBackslash(ownFolder_->Path());
    const std::wstring libraryPath =
        PlaceStartupResource(UnrarResource, tempFolder, ownFolder, UnrarFileName);
    ArchivePath = PlaceStartupResource(PayloadResource, tempFolder, ownFolder, PayloadFileName);
    if (!LoadRarLibrary(libraryPath))
        throw ESetupError(TextCannotLoadUnrar);
    libraryBound_ = true;

    DistList.clear();
    const std::wstring listFile = DistListFileName;
    // Failures name the temporary folder, where the user finds the files, whichever copy failed.
    const std::wstring listFailure = TextCannotExtract + listFile + TextExtractInto + tempFolder;
    // The archive functions join folder and name with a backslash of their own.
    if (!ExtractArchiveFile(ArchivePath, ownFolder_->Path(), listFile))
        throw ESetupError(listFailure);
    // The list is what the (verified) payload stores: its bytes match the entry's CRC.
    std::string listBytes;
    HoldStartupFile(ownFolder + listFile, listFailure, [&](HANDLE file, const std::wstring& name) {
        uint32_t stored = 0;
        listBytes = ReadHeldFile(file, name);
        return ReadArchiveEntryCrc(ArchivePath, listFile, stored) && Crc32(listBytes) == stored;
    });
    HoldWrittenFile(WritePlainFile(tempFolder + listFile, listBytes), tempFolder + listFile, listFailure);
    DistList = SplitDistList(listBytes);
}

void TSetupSession::HoldWrittenFile(THandle written, const std::wstring& fileName,
                                    const std::wstring& failure) {
    if (!written)
        throw ESetupError(failure);
    heldStartupFiles_.push_back(std::move(written));
    system_.StartupFileWritten(fileName);
}

void TSetupSession::HoldStartupFile(const std::wstring& fileName, const std::wstring& failure,
                                    const std::function<bool(HANDLE, const std::wstring&)>& verify) {
    system_.StartupFileWritten(fileName);
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

std::wstring TSetupSession::PlaceStartupResource(const wchar_t* resourceName, const std::wstring& tempFolder,
                                                 const std::wstring& ownFolder,
                                                 const std::wstring& fileName) {
    const std::wstring failure = TextCannotExtract + fileName + TextExtractInto + tempFolder;
    HoldWrittenFile(ExtractResourceToFile(resourceName, tempFolder + fileName), tempFolder + fileName,
                    failure);
    // The own copy is closed after writing, so that the loader and the library can open it, and held for
    // reading once it is verified.
    const std::wstring path = ownFolder + fileName;
    if (!ExtractResourceToFile(resourceName, path))
        throw ESetupError(failure);
    HoldStartupFile(path, failure, [resourceName](HANDLE file, const std::wstring&) {
        return HeldFileEquals(file, ResourceData(resourceName).value_or(""));
    });
    return path;
}

bool TSetupSession::ReadInstallState() {
    TInstallState state{InstallPath, AutoReinstallFlag};
    const bool installed = zarvo::ReadInstallState(state);
    InstallPath = state.installPath;
    AutoReinstallFlag = state.autoReinstall;
    return installed;
}

void TSetupSession::Close() {
    DistList.clear();
    if (libraryBound_) {
        FreeRarLibrary();
        libraryBound_ = false;
    }
}

std::wstring TSetupSession::DefaultInstallPath() const {
    return JoinPath(ProgramFilesPath, ProductFolderName);
}

TRunInput TSetupSession::RunInput() const {
    // The staging goes inside the installation folder, which the run makes before it unpacks: on its drive,
    // so that entries are renamed into place.
    return {.installPath = InstallPath,
            .archivePath = ArchivePath,
            .distList = &DistList,
            .setupExecutable = ModulePath,
            // The unattended reinstall keeps the stored choice.
            .autoReinstall = AutoMode ? std::nullopt : std::optional(AutoReinstallFlag),
            .unpack = {.stagingParent = InstallPath, .faults = &system_}};
}

} // namespace zarvo
