#pragma once
// Puts an entry that the library extracted into a staging folder at its real destination, the way the
// library writes an extracted file, so that the result and the failures are the ones a direct extraction
// would have had. Everything goes through held folders: the staged entry is opened relative to the
// staging, and its destination relative to the target folder, one folder at a time, never through a link.

#include "common/HeldFolder.h"

#include <string>

namespace zarvo {

// The target folder held, and the folder of the last destination opened (or made) below it, for the
// entries that follow there.
class TPlacementTarget {
public:
    explicit TPlacementTarget(const THeldFolder& root) : root_(root) {}
    // The folder at that path below the target, with every missing folder on the way made, each taking
    // what its parent passes on; with leaf asked for, the folder that holds the relative name (the target
    // itself for a bare name), its last name in leaf. Null, with the last error, when a folder on the way
    // cannot be opened or made, or is a link. Stored names separate by '\\' or '/'.
    const THeldFolder* FolderOf(const std::wstring& relative, std::wstring* leaf = nullptr);

private:
    const THeldFolder& root_;
    std::wstring lastFolder_; // upper-cased, relative to the root; empty for the root itself
    THeldFolder last_;
};

// staged: the name in the staging folder of the file (or folder, for a folder entry) the library wrote.
// relative: where it goes below the target. Missing folders above it are made; an existing file is
// replaced, a read-only one too; a file held open without sharing, or a link or a file with a second name
// in the way, fails. The data, the last-write time and the attributes come from the staged copy. A file
// left incomplete is removed. False on any failure, a time or attributes that cannot be set included,
// with the system's code of the failure as the last error.
bool PlaceExtractedEntry(const THeldFolder& staging, const std::wstring& staged, TPlacementTarget& target,
                         const std::wstring& relative);

// The same result by renaming the staged file into place: nothing is written twice and the drive needs
// no room for a second copy. The file keeps the access it was made with in the staging, which takes what
// the target passes on. Where the rename fails (a folder entry, a staged file on another drive, a
// read-only or held file in the way) the entry is placed as PlaceExtractedEntry does.
bool MoveExtractedEntry(const THeldFolder& staging, const std::wstring& staged, TPlacementTarget& target,
                        const std::wstring& relative);

} // namespace zarvo
