#pragma once
// Small text helpers for the paths the setup builds.

#include <string>

namespace zarvo {

// The folder without one trailing backslash.
std::wstring WithoutTrailingBackslash(const std::wstring& folder);
// folder + "\" + name, with no doubled backslash when the folder already ends in one.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);
// The absolute form of the path, resolved against the current folder (text only, the disk is not read);
// the path as it stands when it cannot be resolved.
std::wstring FullPath(const std::wstring& path);

} // namespace zarvo
