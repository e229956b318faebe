#pragma once
// One walk over an archive through the bound library: the open handle, the headers in stored order, and
// what is done with each entry. The extraction operations share it; nothing here reports to the user.

#include "archive/ArchiveExtract.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace zarvo {

enum class THeaderRead {
    Entry,   // a header was read; the entry must be skipped or extracted before the next read
    End,     // the archive ended where it should
    Damaged, // the walk cannot go on: a broken header or an error the library keeps
};

class TArchiveWalk {
public:
    // mode: RAR_OM_LIST reads headers only; RAR_OM_EXTRACT decompresses what it skips in a solid archive.
    TArchiveWalk(const std::wstring& path, UINT mode);
    TArchiveWalk(const TArchiveWalk&) = delete;
    TArchiveWalk& operator=(const TArchiveWalk&) = delete;
    ~TArchiveWalk();

    bool IsOpen() const { return handle_ != nullptr; }
    // The stored name of the next entry, converted from the OEM code page.
    THeaderRead Next(std::wstring& name);
    // The stored CRC32 of the entry whose header was read last.
    uint32_t EntryCrc() const { return entryCrc_; }
    // Its size once unpacked.
    uint32_t EntrySize() const { return entrySize_; }
    bool Skip();
    // Extracts the current entry to exactly that file path (a relative one resolves against the current
    // folder).
    bool ExtractTo(const std::wstring& destination);
    // The system's code for the last extraction that could not create or write its file; 0 for any other
    // outcome.
    DWORD WriteError() const { return writeError_; }

private:
    HANDLE handle_ = nullptr;
    uint32_t entryCrc_ = 0;
    uint32_t entrySize_ = 0;
    DWORD writeError_ = 0;
};

// The destination path as the library will see it: as given when it takes wide names, otherwise after
// the trip through the OEM code page. False when that code page cannot hold the path.
bool LibraryDestination(const std::wstring& destination, std::wstring& seen);

// The entries below a base folder whose names begin with a prefix (without regard to case, by the
// user's locale), as the folder extraction selects them.
class TFolderPrefix {
public:
    // baseFolder may be empty (whole names) and may end in a backslash.
    TFolderPrefix(const std::wstring& entryPrefix, const std::wstring& baseFolder);
    // Nothing to look for: both parts empty.
    bool Empty() const { return prefix_.empty(); }
    bool Matches(const std::wstring& name) const;
    // What a name, upper-cased by UpperCase, begins with when it matches.
    const std::wstring& UpperText() const { return prefix_; }
    // A matching name less the base folder: where it goes below the target folder.
    std::wstring Relative(const std::wstring& name) const { return name.substr(baseLength_); }

private:
    std::wstring prefix_;
    size_t baseLength_ = 0;
};

// Makes the target folder the current one, as callers of the folder extraction rely on. False, the line's
// outcome saying so with the system's text, when it cannot.
bool EnterTargetFolder(const std::wstring& targetFolder, TFolderExtraction& line);

} // namespace zarvo
