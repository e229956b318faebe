#include "archive/DistUnpack.h"

#include "archive/ArchiveExtract.h"
#include "archive/ArchiveWalk.h"
#include "archive/EntryPlacement.h"
#include "archive/StagingFolder.h"
#include "archive/UnRAR.h"
#include "common/Folders.h"
#include "common/PathText.h"
#include "common/SetupError.h"

#include <optional>

namespace zarvo {

namespace {

// What one line's own walk would do, read from the entry names alone (for a walk that meets no error).
struct TLinePlan {
    std::vector<size_t> entries; // the matching entries it extracts, in stored order
    bool leavesFolder = false;   // after them, a matching entry whose name would leave the target folder
};

// The stored names in order, from the headers alone. False when the listing does not reach the end.
bool ListEntries(const std::wstring& archivePath, std::vector<std::wstring>& names) {
    TArchiveWalk archive(archivePath, RAR_OM_LIST);
    if (!archive.IsOpen())
        return false;
    std::wstring name;
    for (;;) {
        THeaderRead read = archive.Next(name);
        if (read != THeaderRead::Entry)
            return read == THeaderRead::End;
        names.push_back(name);
        if (!archive.Skip())
            return false;
    }
}

// Plans the lines up to the first one that fails whatever is on disk: an empty prefix, no match, or a
// match that would leave the folder. Later lines are never reached.
std::vector<TLinePlan> PlanLines(const std::vector<std::wstring>& names,
                                 const std::vector<std::wstring>& lines, const std::wstring& baseFolder) {
    std::vector<TLinePlan> plans;
    for (const std::wstring& line : lines) {
        TFolderPrefix prefix(line, baseFolder);
        TLinePlan& plan = plans.emplace_back();
        for (size_t index = 0; index < names.size() && !prefix.Empty(); ++index) {
            if (!prefix.Matches(names[index]))
                continue;
            if (!StaysInsideFolder(prefix.Relative(names[index]))) {
                plan.leavesFolder = true;
                break;
            }
            plan.entries.push_back(index);
        }
        if (plan.entries.empty() || plan.leavesFolder)
            break;
    }
    return plans;
}

// The one decompression: every entry a planned line needs goes into staging, the others are skipped,
// and the walk goes on to the end as each line's own walk would. False when anything differs from the
// listing or fails: a line's own walk could then end differently (a skip does not check the data that
// an extraction checks), so the one walk cannot stand for it.
bool StageEntries(const std::wstring& archivePath, const std::vector<std::wstring>& names,
                  const std::vector<bool>& needed, const TStagingFolder& staging) {
    TArchiveWalk archive(archivePath, RAR_OM_EXTRACT);
    if (!archive.IsOpen())
        return false;
    std::wstring name;
    for (size_t index = 0;; ++index) {
        THeaderRead read = archive.Next(name);
        if (read == THeaderRead::End)
            return index == names.size();
        if (read == THeaderRead::Damaged || index >= names.size() || name != names[index])
            return false;
        if (!needed[index]) {
            if (!archive.Skip())
                return false;
            continue;
        }
        std::wstring staged = staging.EntryPath(index);
        // A library that reports success without writing anything leaves nothing to place.
        if (!archive.ExtractTo(staged) || GetFileAttributesW(staged.c_str()) == INVALID_FILE_ATTRIBUTES)
            return false;
    }
}

// One line from staging into the target folder, entry by entry as its own walk extracts them. staging is
// there whenever the plan has entries.
TFolderExtraction PlaceLine(const TLinePlan& plan, const std::vector<std::wstring>& names,
                            const TStagingFolder* staging, const TUnpackPlace& place,
                            const std::wstring& targetFolder, const std::wstring& line,
                            const std::wstring& baseFolder) {
    TFolderPrefix prefix(line, baseFolder);
    TFolderExtraction result;
    for (size_t index : plan.entries) {
        if (!EnterTargetFolder(targetFolder, result.folderError))
            return result;
        std::wstring destination;
        if (!LibraryDestination(WithTrailingBackslash(targetFolder) + prefix.Relative(names[index]),
                                destination) ||
            (place.placementFails && place.placementFails(destination)) ||
            !PlaceExtractedEntry(staging->EntryPath(index), destination))
            return result;
    }
    if (plan.leavesFolder) {
        EnterTargetFolder(targetFolder, result.folderError);
        return result;
    }
    result.unpacked = !plan.entries.empty();
    return result;
}

// Hands a line's outcome on; a target folder that cannot be made current ends the whole unpacking with
// the system's text instead. True when the next line may follow.
bool LineDone(size_t index, const TFolderExtraction& line, const TLineUnpacked& onLine) {
    if (!line.folderError.empty())
        throw ESetupError(line.folderError);
    onLine(index, line.unpacked);
    return line.unpacked;
}

void UnpackLineByLine(const std::wstring& archivePath, const std::vector<std::wstring>& lines,
                      const std::wstring& targetFolder, const std::wstring& baseFolder,
                      const TLineUnpacked& onLine) {
    for (size_t index = 0; index < lines.size(); ++index)
        if (!LineDone(index, ExtractArchiveFolder(archivePath, lines[index], targetFolder, baseFolder),
                      onLine))
            return;
}

} // namespace

void UnpackDistLines(const std::wstring& archivePath, const std::vector<std::wstring>& lines,
                     const std::wstring& targetFolder, const std::wstring& baseFolder,
                     const TUnpackPlace& place, const TLineUnpacked& onLine) {
    if (lines.empty())
        return;
    std::vector<std::wstring> names;
    if (!ListEntries(archivePath, names)) {
        // Unreadable or broken headers: each line's own walk says how far it gets.
        UnpackLineByLine(archivePath, lines, targetFolder, baseFolder, onLine);
        return;
    }
    std::vector<TLinePlan> plans = PlanLines(names, lines, baseFolder);
    std::vector<bool> needed(names.size(), false);
    for (const TLinePlan& plan : plans)
        for (size_t index : plan.entries)
            needed[index] = true;

    // A first line that fails by its name alone needs no walk, unless its walk would change the current
    // folder on the way (a name that leaves the folder), which only a walk that gets there does.
    const TLinePlan& first = plans.front();
    std::optional<TStagingFolder> staging;
    if (!first.entries.empty() || first.leavesFolder) {
        staging.emplace(place.stagingParent);
        if (!staging->Valid() || !StageEntries(archivePath, names, needed, *staging)) {
            // Damaged data, or no room to stage: the walk cannot stand for the lines' own walks.
            staging.reset();
            UnpackLineByLine(archivePath, lines, targetFolder, baseFolder, onLine);
            return;
        }
    }
    for (size_t index = 0; index < plans.size(); ++index) {
        TFolderExtraction line = PlaceLine(plans[index], names, staging ? &*staging : nullptr, place,
                                           targetFolder, lines[index], baseFolder);
        if (!LineDone(index, line, onLine))
            return;
    }
}

} // namespace zarvo
