#pragma once
// The log opened for reading in the system's Notepad.

#include <string>

namespace zarvo {

// Starts the system folder's Notepad on the file, without waiting for it. No file association or shell
// verb takes part: the user's classes would choose the program the elevated setup starts.
bool OpenInNotepad(const std::wstring& file);

} // namespace zarvo
