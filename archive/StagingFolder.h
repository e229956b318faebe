#pragma once
// A private folder below a given parent that holds entries between their extraction and their
// placement, removed with everything in it when the object goes.

#include <string>

namespace zarvo {

class TStagingFolder {
public:
    explicit TStagingFolder(const std::wstring& parent);
    TStagingFolder(const TStagingFolder&) = delete;
    TStagingFolder& operator=(const TStagingFolder&) = delete;
    ~TStagingFolder();

    // False when no folder could be made.
    bool Valid() const { return !path_.empty(); }
    const std::wstring& Path() const { return path_; }
    // Where the entry at that position of the archive is kept: digits only, so any code page holds it.
    std::wstring EntryPath(size_t index) const;

private:
    std::wstring path_;
};

} // namespace zarvo
