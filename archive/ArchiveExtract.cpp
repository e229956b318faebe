#include "archive/ArchiveExtract.h"

#include "archive/ArchiveWalk.h"
#include "archive/UnRAR.h"
#include "common/Folders.h"
#include "common/PathText.h"
#include "common/Text.h"

#include <algorithm>

namespace zarvo {

namespace {

// Walks to the first entry whose whole stored name equals entryName (ignoring case): only that one
// counts. False when the walk ends, or fails, before it.
bool FindEntry(TArchiveWalk& archive, const std::wstring& entryName, std::wstring& name) {
    if (!archive.IsOpen())
        return false;
    std::wstring wanted = UpperCase(entryName);
    while (archive.Next(name) == THeaderRead::Entry) {
        if (UpperCase(name) == wanted)
            return true;
        if (!archive.Skip())
            return false;
    }
    return false;
}

} // namespace

bool ExtractArchiveFile(const std::wstring& archivePath, const std::wstring& targetFolder,
                        const std::wstring& entryName) {
    TArchiveWalk archive(archivePath, RAR_OM_EXTRACT);
    std::wstring name;
    return FindEntry(archive, entryName, name) && StaysInsideFolder(name) &&
           archive.ExtractTo(WithTrailingBackslash(targetFolder) + name);
}

TFolderExtraction ExtractArchiveFolder(const std::wstring& archivePath, const std::wstring& entryPrefix,
                                       const std::wstring& targetFolder, const std::wstring& baseFolder) {
    TFolderPrefix prefix(entryPrefix, baseFolder);
    if (prefix.Empty())
        return {};
    TArchiveWalk archive(archivePath, RAR_OM_EXTRACT);
    if (!archive.IsOpen())
        return {};

    // Only a walk that reaches the end can tell that no later matching entry was lost: a walk cut
    // short by damage fails even after good matches.
    TFolderExtraction result;
    bool matched = false;
    std::wstring name;
    for (;;) {
        THeaderRead read = archive.Next(name);
        if (read == THeaderRead::End) {
            result.unpacked = matched;
            return result;
        }
        if (read == THeaderRead::Damaged)
            return result;
        if (!prefix.Matches(name)) {
            if (!archive.Skip())
                return result;
            continue;
        }
        if (!EnterTargetFolder(targetFolder, result))
            return result;
        std::wstring relative = prefix.Relative(name);
        if (!StaysInsideFolder(relative))
            return result;
        if (!archive.ExtractTo(WithTrailingBackslash(targetFolder) + relative)) {
            if (archive.WriteError() != ERROR_SUCCESS)
                result.failure = SystemFailure(archive.WriteError(), entryPrefix);
            return result;
        }
        matched = true;
    }
}

bool ReadArchiveEntryCrc(const std::wstring& archivePath, const std::wstring& entryName, uint32_t& crc) {
    TArchiveWalk archive(archivePath, RAR_OM_LIST);
    std::wstring name;
    if (!FindEntry(archive, entryName, name))
        return false;
    crc = archive.EntryCrc();
    return true;
}

bool ReadFolderExtent(const std::wstring& archivePath, const std::wstring& baseFolder,
                      const std::wstring& targetFolder, TFolderExtent& extent) {
    TArchiveWalk archive(archivePath, RAR_OM_LIST);
    if (!archive.IsOpen())
        return false;
    TFolderPrefix below(L"", baseFolder);
    extent = {};
    std::wstring name;
    THeaderRead read;
    while ((read = archive.Next(name)) == THeaderRead::Entry) {
        if (below.Matches(name)) {
            const std::wstring relative = below.Relative(name);
            extent.unpackedBytes += archive.EntrySize();
            extent.largestEntry = std::max<uint64_t>(extent.largestEntry, archive.EntrySize());
            extent.longestName = std::max(extent.longestName, relative.size());
            WIN32_FILE_ATTRIBUTE_DATA present;
            if (StaysInsideFolder(relative) &&
                GetFileAttributesExW(JoinPath(targetFolder, relative).c_str(), GetFileExInfoStandard,
                                     &present) &&
                !(present.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                extent.replacedBytes += uint64_t(present.nFileSizeHigh) << 32 | present.nFileSizeLow;
        }
        if (!archive.Skip())
            return false;
    }
    return read == THeaderRead::End;
}

} // namespace zarvo
