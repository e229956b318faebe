#pragma once
// A private folder below a given parent that holds entries between their extraction and their
// placement, removed with everything in it when the object goes. Only the system and administrators
// can write into it, so that nothing another program of the user writes reaches what is placed and
// later loaded: it is made either with an access list of its own or in a folder that grants no one else
// that right, taking what that folder passes on.

#include "common/HeldFolder.h"
#include "common/Product.h"
#include "common/Text.h"

#include <string>

namespace zarvo {

class TStagingFolder {
public:
    // Removes what an earlier process left below the parent first (a run that was killed; see
    // RemoveLeftStaging). The folder's name is the pattern's (which ends in its one wildcard) with this
    // process's own ending; it is made with the access list of the text, or with what the parent passes on
    // (nullptr), and held.
    TStagingFolder(const THeldFolder& parent, const std::wstring& parentPath,
                   const wchar_t* pattern = StagingPattern, const wchar_t* access = nullptr);
    TStagingFolder(const TStagingFolder&) = delete;
    TStagingFolder& operator=(const TStagingFolder&) = delete;
    ~TStagingFolder();

    // False when no folder could be made.
    bool Valid() const { return !path_.empty(); }
    const std::wstring& Path() const { return path_; }
    // Open without delete sharing: while it lives nobody renames the folder or puts a link in its place.
    const THeldFolder& Held() const { return held_; }
    // The name under which the entry at that position of the archive is kept: digits only, so any code
    // page holds it; and its path.
    static std::wstring EntryName(size_t index) { return DecimalText(int64_t(index)); }
    std::wstring EntryPath(size_t index) const { return path_ + L'\\' + EntryName(index); }

private:
    std::wstring path_;
    THeldFolder held_;
};

// Full control for the system and administrators, nothing for anyone else; protected, so that nothing
// the parent grants is inherited. For a staging in a folder that other users can write.
inline constexpr wchar_t PrivateFolderAccess[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// Removes every staging folder below the parent that runs that were killed left there: folders of the
// generated names that the system or the administrators own (see IsTrustedOwner). A file of such a name,
// and a folder of another name or owner, is the user's and stays. A folder link is removed itself, never
// entered; inside, a file that is a link or has another name stays.
void RemoveLeftStaging(const THeldFolder& parent);

} // namespace zarvo
