#pragma once
// Small text helpers for the paths the setup builds.

#include <string>

namespace zarvo {

// Upper case by the user's locale rules (folds Cyrillic as well).
std::wstring LocaleUpperCase(const std::wstring& text);
// The folder without one trailing backslash.
std::wstring WithoutTrailingBackslash(const std::wstring& folder);
// folder + "\" + name, with no doubled backslash when the folder already ends in one.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);

} // namespace zarvo
