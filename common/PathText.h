#pragma once
// The text of the paths the program builds: one helper each for joining and for trailing backslashes.

#include <string>

namespace zarvo {

// The path without the backslashes it ends in.
std::wstring WithoutTrailingBackslashes(std::wstring path);
// The folder with one trailing backslash (added only when missing).
std::wstring WithTrailingBackslash(std::wstring folder);
// folder + "\" + name, with no doubled backslash when the folder already ends in one.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);
// The absolute form of the path, resolved against the current folder (text only, the disk is not read);
// the path as it stands when it cannot be resolved.
std::wstring FullPath(const std::wstring& path);

} // namespace zarvo
