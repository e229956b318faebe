#include "app/Notepad.h"

#include "common/Folders.h"
#include "common/Handles.h"

namespace zarvo {

bool OpenInNotepad(const std::wstring& file) {
    const std::wstring folder = GetSystemFolder();
    // wsprintfW writes at most 1024 characters.
    wchar_t notepad[MAX_PATH + 16], commandLine[1024];
    if (folder.size() >= MAX_PATH || file.size() > 1000)
        return false;
    wsprintfW(notepad, L"%snotepad.exe", folder.c_str());
    // A file name holds no quotes: quoted whole, its blanks stay in it.
    wsprintfW(commandLine, L"notepad \"%s\"", file.c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started;
    // Started in the system folder, so that nothing it looks for in its current folder is the user's.
    if (!CreateProcessW(notepad, commandLine, nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &started))
        return false;
    THandle process(started.hProcess), thread(started.hThread);
    return true;
}

} // namespace zarvo
