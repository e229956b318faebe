#pragma once
// The pieces of start-up that work on text: the distribution list, the build date and the command line.

#include "common/CommonUtils.h"

#include <string>
#include <vector>

namespace zarvo {

// Lines of the distribution list, converted from the OEM code page. A line ends at CR, LF or CR LF;
// a final line break adds no empty line; lines are kept as they stand (no trimming, no skipping).
std::vector<std::wstring> SplitDistList(const std::string& oemText);
// Reads and splits a distribution list file. Raises ESetupError when the file cannot be read.
std::vector<std::wstring> LoadDistList(const std::wstring& fileName);

// A date as DD.MM.YYYY whatever the user's locale; empty for a value outside the calendar.
std::wstring FormatFileDate(TDateTime date);

// True when the command line's first argument after the program is "/auto" in any letter case.
bool FirstArgumentIsAuto(const std::wstring& commandLine);

// The path without the backslashes it ends in.
std::wstring WithoutTrailingBackslashes(std::wstring path);

} // namespace zarvo
