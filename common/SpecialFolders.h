#pragma once
// The shell's special folders and item-ID lists.

#include <windows.h>
#include <shlobj.h>

#include <string>

namespace zarvo {

// The folder of a CSIDL number as the shell gives it, or empty. For CSIDL_PROGRAM_FILES (38) only,
// the registry value ProgramFilesDir is the fallback; a value of the wrong type raises.
std::wstring GetSpecialFolderPath(int csidl);
// ProgramFilesDir of HKLM\Software\Microsoft\Windows\CurrentVersion, or empty when absent.
std::wstring ReadProgramFilesDirFromRegistry();
// The file-system path of an item-ID list, or empty.
std::wstring ItemIDListPath(LPCITEMIDLIST list);
// Releases a list through the shell's allocator and nulls the reference. A null list is true.
bool FreeItemIDList(LPITEMIDLIST& list);

} // namespace zarvo
