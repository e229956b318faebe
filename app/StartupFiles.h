#pragma once
// The pieces of start-up that work on text: the distribution list and the command line.

#include "app/CommandLine.h"
#include "common/CommonUtils.h"
#include "common/Handles.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zarvo {

// Lines of the distribution list, converted from the OEM code page. A line ends at CR, LF or CR LF;
// a final line break adds no empty line; lines are kept as they stand (no trimming, no skipping).
std::vector<std::wstring> SplitDistList(const std::string& oemText);
// Reads and splits a distribution list file. Raises ESetupError when the file cannot be read.
std::vector<std::wstring> LoadDistList(const std::wstring& fileName);

// Opens a file for reading and shares it for reading only: while the handle lives, no process can write,
// replace, rename or delete it. Invalid when it cannot be opened so.
THandle HoldFile(const std::wstring& fileName);
// Whether the file behind the handle holds exactly these bytes (read from its start).
bool HeldFileEquals(HANDLE file, std::string_view expected);
// The whole file behind the handle, from its start. Raises ESetupError naming the file when it cannot be
// read or is far larger than a distribution list can be.
std::string ReadHeldFile(HANDLE file, const std::wstring& fileName);

// Called with each start-up file's path right after it is written, before it is held and verified; tests
// change the file there, as another process could.
extern std::function<void(const std::wstring& fileName)> OnStartupFileWritten;

} // namespace zarvo
