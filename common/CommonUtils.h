#pragma once
// CommonUtils: file, folder, special-folder, resource, code-page and version helpers, message reporting,
// and the unit's start-up state. None of the helpers shows anything; callers word their own messages.

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zarvo {

// --- Folders ---

// The system's temporary folder, always ending in a backslash.
std::wstring GetTempFolder();
// The Windows system folder, always ending in a backslash.
std::wstring GetSystemFolder();
// The path on the folder a substituted drive stands for (S:\x -> C:\Work\x); any other path unchanged.
std::wstring ResolveSubstPath(const std::wstring& path);
// True when the path names an existing folder.
bool DirectoryExists(const std::wstring& path);
// Creates the folder with every missing parent. True when it exists as a folder afterwards (also when
// it existed before); false when it cannot be created or a file of that name is in the way.
bool ForceDirectories(const std::wstring& folder);
// A relative name that stays inside the folder it is joined to: not empty, no root, drive, stream
// colon or parent step.
bool StaysInsideFolder(const std::wstring& name);

// --- Files ---

// Days since 30.12.1899 with the time of day as the fraction.
using TDateTime = double;

// Last-write time in local time at two-second resolution; 0 for a missing file or a folder.
TDateTime GetFileDate(const std::wstring& fileName);
// Last-write time as stored (UTC, 100 ns units since 1601); 0 for a missing file or a folder.
// Raises when the file exists but cannot be opened for reading.
int64_t GetFileWriteTime(const std::wstring& fileName);
// The file version of the fixed version block. The outputs are written only when true is returned.
bool ReadFileVersion(const std::wstring& fileName, uint16_t& major, uint16_t& minor, uint16_t& release,
                     uint16_t& build);
// A date in the user's short date format (dd.MM.yyyy under the Russian locale).
std::wstring FormatShortDate(TDateTime date);

// --- Code pages ---

// Text in the OEM code page (archive entry names, lines of the distribution list) as program text.
std::wstring OemToAnsi(const std::string& oemText);
// Program text in the OEM code page, for interfaces that take 8-bit names. Characters the code page
// cannot hold make it fail: false, and nothing written.
bool TextToOem(const std::wstring& text, std::string& oemText);

// --- Resources ---

// Writes the raw bytes of an RCDATA resource of the executable (name matched without regard to case)
// to a newly created file. False when the resource is missing, the file cannot be created, or the
// bytes cannot be written in full.
bool ExtractResourceToFile(const std::wstring& resourceName, const std::wstring& fileName);
// The raw bytes of that RCDATA resource, or nothing when the executable has none of that name.
std::optional<std::string_view> ResourceData(const std::wstring& resourceName);

// --- Checksums ---

// CRC32 as the archive format stores it, by the system's own implementation.
uint32_t Crc32(std::string_view bytes);

// --- Special folders ---

// The folder of a CSIDL number as the shell gives it, or empty. For CSIDL_PROGRAM_FILES (38) only,
// the registry value ProgramFilesDir is the fallback; a value of the wrong type raises.
std::wstring GetSpecialFolderPath(int csidl);
// ProgramFilesDir of HKLM\Software\Microsoft\Windows\CurrentVersion, or empty when absent.
std::wstring ReadProgramFilesDirFromRegistry();
// The file-system path of an item-ID list, or empty.
std::wstring ItemIDListPath(LPCITEMIDLIST list);
// Releases a list through the shell's allocator and nulls the reference. A null list is true.
bool FreeItemIDList(LPITEMIDLIST& list);

// --- Message reporting ---

using TReportEvent = std::function<void(const std::wstring& text, const std::wstring& caption)>;

// Assigned by the wizard when its first run starts; until then reports are message boxes.
extern TReportEvent OnReportError;
extern TReportEvent OnReportInfo;

// Every report is also a line of the log file (when one is set), whichever way it is shown.
void ReportError(const std::wstring& text, const std::wstring& caption);
void ReportInfo(const std::wstring& text, const std::wstring& caption);

// The file every report is appended to, with its time and status, in UTF-8; empty: none.
void SetLogFile(const std::wstring& fileName);
const std::wstring& LogFile();

// The one place a report turns into a message box. Tests replace it to answer boxes without a screen;
// SetMessageBoxHandler returns the previous handler. The default shows a task-modal MessageBoxW owned
// by the active window and restores activation and focus afterwards.
using TMessageBoxHandler = int (*)(const std::wstring& text, const std::wstring& caption, UINT flags);
TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler);
// Shows a box (or a question) through the installed handler and returns its answer.
int ShowMessageBox(const std::wstring& text, const std::wstring& caption, UINT flags);
int ShowApplicationMessageBox(const std::wstring& text, const std::wstring& caption, UINT flags);

// --- Libraries ---

// A system library by its full path in the system folder, never through the search order; nullptr when
// it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* name);
// LoadLibraryExW flags under which a library's own imports come from the system folder only, where the
// system offers them (Windows 7 with its loader update and later); 0 elsewhere.
DWORD SystemFolderImportFlags();
// Limits the process's default library search to the system folder, where the system offers it.
void RestrictLibrarySearchToSystemFolder();

// --- Unit state, set by CommonUtilsStartup ---

extern std::wstring ModulePath;        // the running executable, after ResolveSubstPath
extern std::wstring ModuleVersionText; // "версия 1.2.0.15 от 08.04.2005" or the "no version" text
extern std::wstring HeapInfoText;      // the process heap's compatibility mode, in English
extern ULONG HeapCompatibility;        // 2 (low-fragmentation) asked for, then the value read back

using THeapQueryInformation = BOOL(WINAPI*)(HANDLE, HEAP_INFORMATION_CLASS, void*, SIZE_T, SIZE_T*);
using THeapSetInformation = BOOL(WINAPI*)(HANDLE, HEAP_INFORMATION_CLASS, void*, SIZE_T);
using TStrCmpLogicalW = int(WINAPI*)(const wchar_t*, const wchar_t*);
using TUuidCreate = long(WINAPI*)(GUID*);

extern THeapQueryInformation HeapQueryInformationFn;
extern THeapSetInformation HeapSetInformationFn;
extern TStrCmpLogicalW StrCmpLogicalWFn;
extern TUuidCreate UuidCreateFn;

// "версия M.m.r.b от <short date>" for a file with a version block, otherwise
// "Информация о версии отсутствует".
std::wstring BuildModuleVersionText(const std::wstring& fileName);

// Loads the required system libraries (raising "Kernel32.DLL not found" / "RPCRT4.DLL not found"),
// sets the low-fragmentation heap, clears both report slots, fills the unit state and binds the
// optional functions. Runs once, before the main form exists.
void CommonUtilsStartup();
// Frees the libraries and clears the texts.
void CommonUtilsShutdown();

} // namespace zarvo
