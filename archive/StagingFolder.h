#pragma once
// A private folder below a given parent that holds entries between their extraction and their
// placement, removed with everything in it when the object goes. Only the system and administrators
// can write into it, whatever the parent allows, so that nothing another program of the user writes
// reaches what is placed and later loaded.

#include <string>

namespace zarvo {

class TStagingFolder {
public:
    // Removes what an earlier process left below the parent first (a run that was killed).
    explicit TStagingFolder(const std::wstring& parent);
    TStagingFolder(const TStagingFolder&) = delete;
    TStagingFolder& operator=(const TStagingFolder&) = delete;
    ~TStagingFolder();

    // False when no folder could be made, or none that keeps its access list on that drive.
    bool Valid() const { return !path_.empty(); }
    const std::wstring& Path() const { return path_; }
    // Where the entry at that position of the archive is kept: digits only, so any code page holds it.
    std::wstring EntryPath(size_t index) const;

private:
    std::wstring path_;
};

// Removes every staging folder below the parent: what runs that were killed left there. A link inside
// one is removed itself, never what it points to.
void RemoveLeftStaging(const std::wstring& parent);

} // namespace zarvo
