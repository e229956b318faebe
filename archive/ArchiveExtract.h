#pragma once
// Extracting from the payload archive through the bound library. Nothing here reports to the user.

#include "common/Failure.h"

#include <cstdint>
#include <string>

namespace zarvo {

// Extracts the first entry whose whole stored name equals entryName (ignoring case, Cyrillic included)
// to targetFolder + "\" + the stored name. False when the archive cannot be opened, no entry matches,
// the stored name would leave targetFolder, or the library fails on it.
bool ExtractArchiveFile(const std::wstring& archivePath, const std::wstring& targetFolder,
                        const std::wstring& entryName);

// How a folder extraction ended. It converts to its outcome, as callers that only count unpacked lines
// read it.
struct TFolderExtraction {
    bool unpacked = false;
    // targetFolder could not be made current, the failure says why (the system's text alone); the walk
    // stopped there. Callers end their run with it rather than go on to the next line.
    bool folderFailed = false;
    // Why, when the system said: the folder's failure, or a file that could not be made or written (as on
    // a full drive or a file held by another program), the entry prefix named. Empty when the system gave
    // no reason or the line failed otherwise.
    TFailure failure;

    operator bool() const { return unpacked; }
};

// Extracts, in stored order, every entry whose stored name begins with baseFolder + "\" + entryPrefix
// (ignoring case; entryPrefix alone when baseFolder is empty) to targetFolder + the name less
// baseFolder + "\". Makes targetFolder the current folder before each matching entry.
// Unpacked when at least one entry matched, every matching entry was extracted and the walk reached the
// end of the archive; a matching entry whose name would leave targetFolder is not extracted and makes it
// fail, and so does a failed skip or a damaged header anywhere. Nothing is raised.
TFolderExtraction ExtractArchiveFolder(const std::wstring& archivePath, const std::wstring& entryPrefix,
                                       const std::wstring& targetFolder, const std::wstring& baseFolder);

// The CRC32 the archive stores for the first entry whose whole name equals entryName (ignoring case),
// read from the headers alone. False when the archive cannot be listed or has no such entry.
bool ReadArchiveEntryCrc(const std::wstring& archivePath, const std::wstring& entryName, uint32_t& crc);

// What the entries below a base folder take once unpacked into a target folder.
struct TFolderExtent {
    uint64_t unpackedBytes = 0; // their sizes added up
    uint64_t largestEntry = 0;  // the size of the largest one
    // The sizes of the files already at their places below the target folder: the room that replacing
    // them gives back (a payload stores each name once).
    uint64_t replacedBytes = 0;
    size_t longestName = 0; // the longest name less baseFolder + "\"
};

// The extent of the entries below baseFolder, read from the headers alone (and the sizes of the files in
// targetFolder). False when the archive cannot be listed to its end.
bool ReadFolderExtent(const std::wstring& archivePath, const std::wstring& baseFolder,
                      const std::wstring& targetFolder, TFolderExtent& extent);

} // namespace zarvo
