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

} // namespace

TStagingFolder::TStagingFolder(const THeldFolder& parent, const std::wstring& parentPath,
                               const wchar_t* pattern, const wchar_t* access) {
    if (!parent.Valid())
        return;
    RemoveLeftovers(parent, pattern);
    // The pattern less its wildcard, then the process's id.
    std::wstring name(pattern, wcslen(pattern) - 1);
    name += DecimalText(GetCurrentProcessId());
    name += L'-';
    const size_t base = name.size();
    // A name made meanwhile by someone else is passed over, never reused.
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        name.resize(base);
        name += DecimalText(GetTickCount());
        name += L'-';
        name += DecimalText(attempt);
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

void RemoveLeftStaging(const THeldFolder& parent) {
    RemoveLeftovers(parent, StagingPattern);
}

} // namespace zarvo
