#include "archive/StagingFolder.h"

#include "common/Folders.h"
#include "common/Owners.h"
#include "common/PathText.h"
#include "common/PlainFiles.h"
#include "common/Text.h"

#include <windows.h>

#include <string_view>

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

// Whether the name is one the constructor gives for the pattern: the pattern less its wildcard, then the
// process's id, the tick count and the attempt, in digits and separated by "-".
bool IsGeneratedName(const std::wstring& name, const wchar_t* pattern) {
    const std::wstring_view prefix = std::wstring_view(pattern).substr(0, wcslen(pattern) - 1);
    if (name.size() <= prefix.size() || !SameText(name.substr(0, prefix.size()), std::wstring(prefix)))
        return false;
    int numbers = 0;
    bool digits = false;
    for (wchar_t c : std::wstring_view(name).substr(prefix.size())) {
        if (c >= L'0' && c <= L'9') {
            digits = true;
        } else if (c == L'-' && digits) {
            ++numbers;
            digits = false;
        } else {
            return false;
        }
    }
    return digits && numbers == 2;
}

// What killed runs left below the parent: folders of the generated names that the system or the
// administrators own. Anything else of such a name (a file of the user's, a folder the user made or a
// link the user put there) is not the wizard's and stays.
void RemoveLeftovers(const std::wstring& parent, const wchar_t* pattern) {
    WIN32_FIND_DATAW data;
    TFindHandle find(FindFirstFileW(JoinPath(parent, pattern).c_str(), &data));
    if (!find)
        return;
    do {
        const std::wstring name = data.cFileName, path = JoinPath(parent, name);
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsGeneratedName(name, pattern))
            continue;
        // The entry itself, never what a link there leads to.
        THandle entry(CreateFileW(
            path.c_str(), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
            OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!entry || !HasTrustedOwner(entry.Get()))
            continue;
        entry.Reset();
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            RemoveMatching(path, L"*");
        RemoveDirectoryW(path.c_str());
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
    RemoveLeftovers(parent, pattern);
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
    RemoveLeftovers(parent, StagingPattern);
}

} // namespace zarvo
