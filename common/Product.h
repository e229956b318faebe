#pragma once
// The product's identity as the setup knows it, in one place: its names, the files and folders the setup
// makes and finds, registry locations, COM identities, the windows of its running programs, the captions
// of the setup's reports.

#include <windows.h>

namespace zarvo {

// --- Names ---

inline constexpr wchar_t ProductTitle[] = L"Вирдана"; // the shortcuts' name and the list's display name
// The folder proposed below Program Files, and below the folder the folder dialog picks.
inline constexpr wchar_t ProductFolderName[] = L"Zarvo";
inline constexpr wchar_t SetupTitle[] = L"Установка Zarvo"; // boxes of the program as a whole
inline constexpr wchar_t RecordedBuildDate[] = L"08.04.2005";

// --- The setup's own files and objects ---

inline constexpr wchar_t SetupFileName[] = L"SetupZarvo.exe"; // the kept copy's name
inline constexpr wchar_t LogFileName[] = L"SetupZarvo.log";   // in the temporary folder unless /log= says
// One setup at a time on the machine: a mutex in a private namespace whose boundary is the Administrators
// group, so that no unelevated program can take the name first. The mutex is named "<alias>\<name>".
inline constexpr wchar_t SetupLockBoundaryName[] = L"SetupZarvo";
inline constexpr wchar_t SetupLockNamespaceAlias[] = L"SetupZarvo";
inline constexpr wchar_t SetupLockName[] = L"SetupZarvo\\SetupLock";
// Where the system has no private namespaces (Wine): the global namespace.
inline constexpr wchar_t SetupLockGlobalName[] = L"Global\\SetupZarvo";
// The RCDATA resources of the executable and the files they become in the temporary folder.
inline constexpr wchar_t UnrarResource[] = L"unrar_dll";
inline constexpr wchar_t PayloadResource[] = L"SetupZarvo_rar";
inline constexpr wchar_t UnrarFileName[] = L"Unrar.dll";
inline constexpr wchar_t PayloadFileName[] = L"SetupZarvo.rar";
inline constexpr wchar_t DistListFileName[] = L"Dist.lst";
// Folders made for one process, each pattern ending in its one wildcard: the session's own copies in the
// system's temporary folder, and the staging of unpacked files inside the installation folder.
inline constexpr wchar_t SessionFolderPattern[] = L"ZarvoSetup-*";
inline constexpr wchar_t StagingPattern[] = L"ZarvoUnpack-*";
// Below the machine's program data: the copy of the setup that the list of installed programs starts.
inline constexpr wchar_t KeptSetupFolderName[] = L"ZarvoSetup";

// --- The payload ---

inline constexpr wchar_t DistFolder[] = L"Dist"; // archive folder of the program files
inline constexpr wchar_t RuntimeLibraryFile[] = L"RTW32.dll";
inline constexpr wchar_t ShortcutTargetFile[] = L"Orvan.exe";

// --- The list of installed programs (HKEY_LOCAL_MACHINE; for a 32-bit program on 64-bit Windows, the
// 32-bit view the list reads too) ---

inline constexpr wchar_t UninstallEntryKey[] =
    L"\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zarvo";

// --- Installation state (HKEY_LOCAL_MACHINE; the leading backslash makes the paths absolute) ---

inline constexpr wchar_t InstallKey[] = L"\\Software\\VARNEX_SRV.INI\\Install";
inline constexpr wchar_t ProductKey[] = L"\\Software\\VARNEX_SRV.INI\\Install\\Вирдана";

// --- Files of the installation folder ---

inline constexpr wchar_t KernelTypeLibFile[] = L"ZarvoKernel.tlb";
inline constexpr wchar_t KernelServerFile[] = L"ZarvoKernel.exe";
// Registered before every other library and unregistered after them.
inline constexpr wchar_t ConfigLibraryFile[] = L"Tornel.dll";

// --- COM identities of the kernel server ---

// The type library's identifier, which is also the kernel server's AppID.
inline constexpr wchar_t KernelTypeLibId[] = L"{4A9D62C1-E873-4B25-8F1E-6D0B93A5C2E7}";
inline constexpr wchar_t AxApplicationClassId[] = L"{7E3C19A2-5B84-4F0D-9A61-C2D84E7B3F05}";
inline constexpr wchar_t AxApplicationProgId[] = L"Zarvo.AxApplication.1";
inline constexpr wchar_t AxApplicationIndependentProgId[] = L"Zarvo.AxApplication";
inline constexpr wchar_t AxApplicationDescription[] = L"AxApplication Class";
inline constexpr wchar_t KernelAppIdDescription[] = L"Zarvo";

// --- Running programs of the product, found by their windows ---

inline constexpr wchar_t KernelWindowTitle[] = L"ZarvoKernel";
inline constexpr WPARAM KernelUnloadCommand = 32771;
inline constexpr wchar_t ServiceWindowTitle[] = L"Varnex Service";

// --- Report captions ---

inline constexpr wchar_t InfoCaption[] = L"Сообщение";
inline constexpr wchar_t ErrorCaption[] = L"Ошибка";
// A failure before the first page: one box, and the program ends.
inline constexpr wchar_t StartupErrorCaption[] = L"Ошибка запуска установки";

} // namespace zarvo
