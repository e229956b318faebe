#pragma once
// Unpacking the lines of the distribution list with the payload decompressed once.

#include "archive/ArchiveExtract.h"
#include "common/HeldFolder.h"

#include <cstddef>
#include <string>
#include <vector>

namespace zarvo {

// Told once per line, in list order, after that line's files are in place (or it failed).
class TLineUnpacked {
public:
    virtual void LineUnpacked(size_t lineIndex, const TFolderExtraction& line) = 0;

protected:
    ~TLineUnpacked() = default;
};

// Whether writing a file fails, as on a drive that has just filled up: a staged copy of an entry or its
// destination. A fault the system cannot be made to give at one exact moment.
class TPlacementFaults {
public:
    virtual bool PlacementFails(const std::wstring& destination) const = 0;

protected:
    ~TPlacementFaults() = default;
};

struct TUnpackPlace {
    // The payload is staged in a private folder made below this one, on the drive of the target folder so
    // that entries are renamed into place rather than copied.
    std::wstring stagingParent;
    // Null: writing never fails that way.
    const TPlacementFaults* faults = nullptr;
};

// Unpacks the lines as ExtractArchiveFolder(archivePath, line, targetFolder, baseFolder) would one after
// the other, stopping after the first line that fails; the payload is decompressed once. Same outcomes,
// same outcomes, same current folder, and ESetupError at the same point when targetFolder cannot be made
// current; the same files whenever the walk gets through. A payload whose single walk meets an error is
// unpacked line by line instead, so that each line still gets the outcome of its own walk (entries that
// the walk had placed already stay in place). The same when no staging folder can be made.
// heldTarget: the target folder as the caller holds it, checked: the staging is then made in it
// (place.stagingParent names it) and every entry is placed through it. Null: both are opened by their paths.
void UnpackDistLines(const std::wstring& archivePath, const std::vector<std::wstring>& lines,
                     const std::wstring& targetFolder, const std::wstring& baseFolder,
                     const TUnpackPlace& place, TLineUnpacked& onLine,
                     const THeldFolder* heldTarget = nullptr);

} // namespace zarvo
