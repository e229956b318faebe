#include "engine/Session.h"

#include "archive/ArchiveExtract.h"
#include "archive/UnRAR.h"
#include "common/Checksum.h"
#include "common/Folders.h"
#include "common/PathText.h"
#include "common/Registry.h"
#include "common/Resources.h"
#include "common/SetupError.h"
#include "common/SpecialFolders.h"
#include "common/UnitStartup.h"
#include "engine/InstallState.h"
#include "engine/RunTexts.h"
#include "engine/StartupFiles.h"
#include "engine/StartupTexts.h"

#include <shlobj.h>

namespace zarvo {

TSetupSession::TSetupSession(const TSystem& system) : system_(system) {}

TSetupSession::~TSetupSession() {
    Close();
}

void TSetupSession::Prepare() {
    ProgramFilesPath = WithoutTrailingBackslashes(GetSpecialFolderPath(CSIDL_PROGRAM_FILES));
    const std::wstring tempFolder = WithTrailingBackslash(GetTempFolder());
    // Each file is held from the moment it is verified until the session ends: nothing another process
    // writes into the temporary folder reaches the library loader or the installation.
    const std::wstring libraryPath = PlaceStartupResource(L"unrar_dll", tempFolder, L"Unrar.dll");
    ArchivePath = PlaceStartupResource(L"SetupZarvo_rar", tempFolder, L"SetupZarvo.rar");
    if (!LoadRarLibrary(libraryPath))
        throw ESetupError(TextCannotLoadUnrar);
    libraryBound_ = true;

    DistList.clear();
    // The archive functions join folder and name with a backslash of their own.
    const std::wstring targetFolder = WithoutTrailingBackslashes(tempFolder);
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
    DistList = SplitDistList(listBytes);
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

std::wstring TSetupSession::PlaceStartupResource(const wchar_t* resourceName, const std::wstring& folder,
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

bool TSetupSession::ReadInstallState() {
    bool installed = false;
    TRegistry registry(KEY_READ);
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
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
    TUnpackPlace unpack{InstallPath, [this](const std::wstring& destination) {
                            return system_.PlacementFails(destination);
                        }};
    return {InstallPath, ArchivePath, &DistList, AutoMode, AutoReinstallFlag, ModulePath, std::move(unpack)};
}

} // namespace zarvo
