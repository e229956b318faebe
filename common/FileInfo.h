#pragma once
// What the file system and the version block say about a file.

#include "common/Dates.h"

#include <cstdint>
#include <string>

namespace zarvo {

// Last-write time in local time at two-second resolution; 0 for a missing file or a folder.
TDateTime GetFileDate(const std::wstring& fileName);
// Last-write time as stored (UTC, 100 ns units since 1601); 0 for a missing file or a folder.
// Raises when the file exists but cannot be opened for reading or does not give its time.
int64_t GetFileWriteTime(const std::wstring& fileName);
// The file version of the fixed version block. The outputs are written only when true is returned.
bool ReadFileVersion(const std::wstring& fileName, uint16_t& major, uint16_t& minor, uint16_t& release,
                     uint16_t& build);
// A text of the version block ("CompanyName", "ProductVersion") in its first translation; empty when the
// file has none.
std::wstring ReadVersionString(const std::wstring& fileName, const std::wstring& name);

} // namespace zarvo
