#include "archive/StagingFolder.h"

#include "common/Owners.h"
#include "common/PathText.h"
#include "common/PlainFiles.h"
#include "common/Text.h"

#include <windows.h>

#include <string_view>
#include <vector>

namespace zarvo {

namespace {

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

// What killed runs left in the parent: folders of the generated names that the system or the
// administrators own. Anything else of such a name (a file of the user's, a folder the user made or a
// link the user put there) is not the wizard's and stays.
void RemoveLeftovers(const THeldFolder& parent, const wchar_t* pattern) {
    std::vector<TFolderEntry> entries;
    if (!parent.List(entries))
        return;
    for (const TFolderEntry& entry : entries) {
        if (!entry.IsFolder() || !IsGeneratedName(entry.name, pattern))
            continue;
        // The entry itself, never what a link there leads to.
        const THandle opened = OpenListed(parent, entry);
        if (opened && HasTrustedOwner(opened.Get()))
            RemoveOpened(opened.Get());
    }
}

// Whether the drive of the folder keeps access lists: on one that does not, the staging would be as
// open as its parent.
bool KeepsAccessLists(HANDLE folder) {
    DWORD flags = 0;
    return GetVolumeInformationByHandleW(folder, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
           (flags & FILE_PERSISTENT_ACLS);
}

} // namespace

TStagingFolder::TStagingFolder(const THeldFolder& parent, const std::wstring& parentPath,
                               const wchar_t* pattern, const wchar_t* access) {
    if (!parent.Valid() || !KeepsAccessLists(parent.Handle()))
        return;
    RemoveLeftovers(parent, pattern);
    // The pattern less its wildcard.
    std::wstring base = pattern;
    base.pop_back();
    base += DecimalText(GetCurrentProcessId()) + L"-";
    // A name made meanwhile by someone else is passed over, never reused.
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::wstring name = base + DecimalText(GetTickCount()) + L"-" + DecimalText(attempt);
        held_ = parent.ChildFolder(name, TChildOpen::New, access, DELETE | FILE_WRITE_ATTRIBUTES);
        if (held_.Valid()) {
            path_ = JoinPath(parentPath, name);
            break;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
}

TStagingFolder::~TStagingFolder() {
    if (Valid()) {
        RemoveContents(held_);
        DeleteThrough(held_.Handle());
    }
}

std::wstring TStagingFolder::EntryName(size_t index) {
    return DecimalText(int64_t(index));
}

std::wstring TStagingFolder::EntryPath(size_t index) const {
    return JoinPath(path_, EntryName(index));
}

void RemoveLeftStaging(const THeldFolder& parent) {
    RemoveLeftovers(parent, StagingPattern);
}

} // namespace zarvo
