#pragma once
// The start-up files in the temporary folder: held from the moment they are written, verified through the
// handle that holds them, and the distribution list read from its held file.

#include "common/Handles.h"

#include <string>
#include <string_view>
#include <vector>

namespace zarvo {

// Lines of the distribution list, converted from the OEM code page. A line ends at CR, LF or CR LF;
// a final line break adds no empty line; lines are kept as they stand (no trimming, no skipping).
std::vector<std::wstring> SplitDistList(const std::string& oemText);

// Opens a file for reading and shares it for reading only: while the handle lives, no process can write,
// replace, rename or delete it. Invalid when it cannot be opened so.
THandle HoldFile(const std::wstring& fileName);
// Whether the file behind the handle holds exactly these bytes (read from its start).
bool HeldFileEquals(HANDLE file, std::string_view expected);
// The whole file behind the handle, from its start. Raises ESetupError naming the file when it cannot be
// read or is far larger than a distribution list can be.
std::string ReadHeldFile(HANDLE file, const std::wstring& fileName);

} // namespace zarvo
