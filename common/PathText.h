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
// The folder that holds the path: "C:\a\b" -> "C:\a", "C:\a" -> "C:\" (a drive's root keeps its
// backslash). Empty for a root ("C:\", "C:", "\\server\share", "\") and for a bare name, so that every
// walk up the parents ends.
std::wstring ParentFolder(const std::wstring& path);
// True for a path that is a root and has no parent: "C:\", "C:", "\\server\share", "\".
bool IsRootPath(const std::wstring& path);
// The last component ("C:\a\b.dll" -> "b.dll"); the path itself when it has no separator.
std::wstring FileNameOf(const std::wstring& path);
// The absolute form of the path, resolved against the current folder (text only, the disk is not read);
// the path as it stands when it cannot be resolved.
std::wstring FullPath(const std::wstring& path);

} // namespace zarvo
