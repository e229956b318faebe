#include "archive/StagingFolder.h"

#include "common/Folders.h"
#include "common/PathText.h"
#include "common/PlainFiles.h"
#include "common/Text.h"

#include <windows.h>

namespace zarvo {

namespace {

// Full control for the system and administrators, nothing for anyone else; protected, so that nothing
// the parent grants is inherited.
constexpr wchar_t StagingAccess[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// Removes what matches the pattern in the folder: a folder link as the link it is, a real folder with
// everything in it. Extracted entries may carry read-only attributes; they go all the same.
void RemoveMatching(const std::wstring& folder, const wchar_t* pattern) {
    WIN32_FIND_DATAW data;
    TFindHandle find(FindFirstFileW(JoinPath(folder, pattern).c_str(), &data));
    if (!find)
        return;
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..")
            continue;
        std::wstring path = JoinPath(folder, name);
        const bool link = data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!link)
                RemoveMatching(path, L"*");
            RemoveDirectoryW(path.c_str());
        } else {
            DeletePlainFile(path, true);
        }
    } while (FindNextFileW(find.Get(), &data));
}

// Whether the drive of the folder keeps access lists: on one that does not, the staging would be as
// open as its parent.
bool KeepsAccessLists(const std::wstring& folder) {
    wchar_t volume[MAX_PATH];
    DWORD flags = 0;
    return GetVolumePathNameW(folder.c_str(), volume, MAX_PATH) &&
           GetVolumeInformationW(volume, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
           (flags & FILE_PERSISTENT_ACLS);
}

} // namespace

TStagingFolder::TStagingFolder(const std::wstring& parent, const wchar_t* pattern) {
    if (!DirectoryExists(parent) || !KeepsAccessLists(parent))
        return;
    RemoveMatching(parent, pattern);
    // The pattern less its wildcard.
    std::wstring base = JoinPath(parent, pattern);
    base.pop_back();
    base += DecimalText(GetCurrentProcessId()) + L"-";
    // A name made meanwhile by someone else is passed over, never reused.
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        std::wstring candidate = base + DecimalText(GetTickCount()) + L"-" + DecimalText(attempt);
        if (CreateFolderWithAccess(candidate, StagingAccess)) {
            // Made here, not through a link to somewhere else.
            held_ = OpenPlainFile(candidate, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
            if (held_)
                path_ = candidate;
            break;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
}

TStagingFolder::~TStagingFolder() {
    if (Valid()) {
        held_.Reset();
        RemoveMatching(path_, L"*");
        RemoveDirectoryW(path_.c_str());
    }
}

std::wstring TStagingFolder::EntryPath(size_t index) const {
    return JoinPath(path_, DecimalText(int64_t(index)));
}

void RemoveLeftStaging(const std::wstring& parent) {
    RemoveMatching(parent, StagingPattern);
}

} // namespace zarvo
