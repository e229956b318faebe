#include "archive/DistUnpack.h"

#include "archive/ArchiveExtract.h"
#include "archive/ArchiveWalk.h"
#include "archive/EntryPlacement.h"
#include "archive/StagingFolder.h"
#include "archive/UnRAR.h"
#include "common/Folders.h"
#include "common/PathText.h"
#include "common/SetupError.h"
#include "common/Text.h"

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
// match that would leave the folder. Later lines are never reached. A list names thousands of files of
// as many entries: the names are upper-cased once, so that each line's pass over them only compares.
std::vector<TLinePlan> PlanLines(const std::vector<std::wstring>& names,
                                 const std::vector<std::wstring>& lines, const std::wstring& baseFolder) {
    std::vector<std::wstring> upper;
    upper.reserve(names.size());
    for (const std::wstring& name : names)
        upper.push_back(UpperCase(name));
    std::vector<TLinePlan> plans;
    for (const std::wstring& line : lines) {
        TFolderPrefix prefix(line, baseFolder);
        TLinePlan& plan = plans.emplace_back();
        for (size_t index = 0; index < names.size() && !prefix.Empty(); ++index) {
            if (!upper[index].starts_with(prefix.UpperText()))
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

// Hands a line's outcome on; a target folder that cannot be made current ends the whole unpacking with
// the system's text instead. True when the next line may follow.
bool LineDone(size_t index, const TFolderExtraction& line, TLineUnpacked& onLine) {
    if (line.folderFailed)
        throw ESetupError(line.failure.text, line.failure.code);
    onLine.LineUnpacked(index, line);
    return line.unpacked;
}

void UnpackLineByLine(const std::wstring& archivePath, const std::vector<std::wstring>& lines,
                      const std::wstring& targetFolder, const std::wstring& baseFolder,
                      TLineUnpacked& onLine) {
    for (size_t index = 0; index < lines.size(); ++index)
        if (!LineDone(index, ExtractArchiveFolder(archivePath, lines[index], targetFolder, baseFolder),
                      onLine))
            return;
}

// The one decompression, placing each line's entries in the order its own walk extracts them as soon as
// they are staged. An entry goes into place by a rename at its last use and is copied before that, so
// with the archive in list order the staging holds one file at a time. The lines' outcomes are handed on
// only once the walk has reached the end of the archive, as each line's own walk does before it answers.
class TOnePass {
public:
    TOnePass(const std::vector<TLinePlan>& plans, const std::vector<std::wstring>& names,
             const std::vector<std::wstring>& lines, const std::wstring& targetFolder,
             const std::wstring& baseFolder, const TUnpackPlace& place, const THeldFolder& target)
        : plans_(plans), names_(names), lines_(lines), targetFolder_(targetFolder), baseFolder_(baseFolder),
          place_(place), lastUse_(names.size(), NotUsed), target_(target) {
        for (size_t line = 0; line < plans.size(); ++line)
            for (size_t index : plans[line].entries)
                lastUse_[index] = line;
    }

    // Walks the archive once. False when the walk met anything that differs from the listing or fails:
    // a line's own walk could then end differently (a skip does not check the data an extraction checks),
    // so the lines are left to their own walks.
    bool Walk(const std::wstring& archivePath, const TStagingFolder& staging) {
        TArchiveWalk archive(archivePath, RAR_OM_EXTRACT);
        if (!archive.IsOpen())
            return false;
        std::wstring name;
        for (size_t index = 0;; ++index) {
            PlaceReady(staging);
            THeaderRead read = archive.Next(name);
            if (read == THeaderRead::End)
                return index == names_.size();
            if (read == THeaderRead::Damaged || index >= names_.size() || name != names_[index])
                return false;
            // Once a line has failed, the rest of the walk only has to reach the end.
            if (lastUse_[index] == NotUsed || placing_ == Ended) {
                if (!archive.Skip())
                    return false;
                continue;
            }
            std::wstring stagedPath = staging.EntryPath(index);
            // A library that reports success without writing anything leaves nothing to place.
            if ((place_.faults && place_.faults->PlacementFails(stagedPath)) ||
                !archive.ExtractTo(stagedPath) ||
                GetFileAttributesW(stagedPath.c_str()) == INVALID_FILE_ATTRIBUTES)
                return false;
            staged_ = index + 1;
        }
    }

    // The outcome of every line up to the first that failed.
    void HandOn(TLineUnpacked& onLine) const {
        TFolderExtraction done;
        done.unpacked = true;
        for (size_t line = 0; line < linesDone_; ++line)
            onLine.LineUnpacked(line, done);
        if (placing_ == Ended)
            LineDone(linesDone_, failed_, onLine);
    }

private:
    static constexpr size_t NotUsed = size_t(-1);
    enum TPlacing { Going, Ended };

    // Places the entries of the current line that are staged, and goes on to the next line once all of
    // them are in place; stops for good at a line that fails.
    void PlaceReady(const TStagingFolder& staging) {
        for (; placing_ == Going && linesDone_ < plans_.size(); entry_ = 0) {
            const TLinePlan& plan = plans_[linesDone_];
            for (; entry_ < plan.entries.size(); ++entry_) {
                const size_t index = plan.entries[entry_];
                if (index >= staged_)
                    return;
                if (!EnterTargetFolder(targetFolder_, failed_) ||
                    !PlaceEntry(staging, index, failed_.failure)) {
                    placing_ = Ended;
                    return;
                }
            }
            if (plan.leavesFolder || plan.entries.empty()) {
                if (plan.leavesFolder)
                    EnterTargetFolder(targetFolder_, failed_);
                placing_ = Ended;
                return;
            }
            ++linesDone_;
        }
    }

    // False, with the system's reason when it gave one, when the file could not be put in place.
    bool PlaceEntry(const TStagingFolder& staging, size_t index, TFailure& failure) {
        const size_t line = linesDone_;
        const std::wstring relative = TFolderPrefix(lines_[line], baseFolder_).Relative(names_[index]);
        std::wstring destination;
        if (!LibraryDestination(WithTrailingBackslash(targetFolder_) + relative, destination))
            return false;
        if (place_.faults && place_.faults->PlacementFails(destination)) {
            failure = SystemFailure(ERROR_DISK_FULL, lines_[line]);
            return false;
        }
        const std::wstring staged = TStagingFolder::EntryName(index);
        if (lastUse_[index] == line ? MoveExtractedEntry(staging.Held(), staged, target_, relative)
                                    : PlaceExtractedEntry(staging.Held(), staged, target_, relative))
            return true;
        failure = LastErrorFailure(lines_[line]);
        return false;
    }

    const std::vector<TLinePlan>& plans_;
    const std::vector<std::wstring>& names_;
    const std::vector<std::wstring>& lines_;
    const std::wstring& targetFolder_;
    const std::wstring& baseFolder_;
    const TUnpackPlace& place_;
    size_t staged_ = 0; // the entries before this one that a line needs are staged (the walk is in order)
    std::vector<size_t> lastUse_; // the last line that places the entry; NotUsed for none
    size_t linesDone_ = 0;        // the lines whose entries are all in place
    size_t entry_ = 0;            // the next entry to place of the line after them
    TPlacing placing_ = Going;    // Ended: that line failed, with failed_ saying how
    TFolderExtraction failed_;
    TPlacementTarget target_; // everything below the target is reached through it
};

} // namespace

void UnpackDistLines(const std::wstring& archivePath, const std::vector<std::wstring>& lines,
                     const std::wstring& targetFolder, const std::wstring& baseFolder,
                     const TUnpackPlace& place, TLineUnpacked& onLine, const THeldFolder* heldTarget) {
    if (lines.empty())
        return;
    std::vector<std::wstring> names;
    if (!ListEntries(archivePath, names)) {
        // Unreadable or broken headers: each line's own walk says how far it gets.
        UnpackLineByLine(archivePath, lines, targetFolder, baseFolder, onLine);
        return;
    }
    std::vector<TLinePlan> plans = PlanLines(names, lines, baseFolder);
    // The target is held here unless the caller holds it.
    TFailure failure;
    const THeldFolder openedTarget = heldTarget ? THeldFolder() : THeldFolder::Open(targetFolder, failure);
    TOnePass pass(plans, names, lines, targetFolder, baseFolder, place,
                  heldTarget ? *heldTarget : openedTarget);
    bool walked = false;
    {
        const THeldFolder opened =
            heldTarget ? THeldFolder() : THeldFolder::Open(place.stagingParent, failure);
        TStagingFolder staging(heldTarget ? *heldTarget : opened, place.stagingParent);
        walked = staging.Valid() && pass.Walk(archivePath, staging);
    }
    if (walked) {
        pass.HandOn(onLine);
        return;
    }
    // No staging to be had, damaged data, or a drive that
    // filled up while staging: each line's own walk says how far it gets. What the walk placed already
    // is placed again, the same bytes.
    UnpackLineByLine(archivePath, lines, targetFolder, baseFolder, onLine);
}

} // namespace zarvo
