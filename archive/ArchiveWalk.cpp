#include "archive/ArchiveWalk.h"

#include "archive/ArchiveOpenCount.h"
#include "archive/UnRAR.h"
#include "common/CodePages.h"
#include "common/PathText.h"
#include "common/SetupError.h"
#include "common/Text.h"

#include <cstring>
#include <string_view>
#include <vector>

namespace zarvo {

namespace {

TArchiveOpenCount openCount;

std::vector<wchar_t> Terminated(const std::wstring& text) {
    std::vector<wchar_t> buffer(text.begin(), text.end());
    buffer.push_back(L'\0');
    return buffer;
}

} // namespace

TArchiveOpenCount ArchiveOpenCount() {
    return openCount;
}

void ResetArchiveOpenCount() {
    openCount = {};
}

TArchiveWalk::TArchiveWalk(const std::wstring& path, UINT mode) {
    ++(mode == RAR_OM_EXTRACT ? openCount.extraction : openCount.listing);
    // The wide name reaches paths the ANSI code page cannot spell; the ANSI one serves libraries that
    // predate it.
    std::vector<wchar_t> wideName = Terminated(path);
    std::string ansiName(path.size() * 2 + 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, ansiName.data(), int(ansiName.size()), nullptr, nullptr);
    RAROpenArchiveDataEx data{};
    data.ArcName = ansiName.data();
    data.ArcNameW = wideName.data();
    data.OpenMode = mode;
    handle_ = RarLibrary.OpenArchiveEx(&data);
    if (handle_ != nullptr && data.OpenResult != 0) {
        RarLibrary.CloseArchive(handle_);
        handle_ = nullptr;
    }
}

TArchiveWalk::~TArchiveWalk() {
    if (handle_ != nullptr)
        RarLibrary.CloseArchive(handle_);
}

THeaderRead TArchiveWalk::Next(std::wstring& name) {
    RARHeaderData header{};
    int result = RarLibrary.ReadHeader(handle_, &header);
    if (result == ERAR_END_ARCHIVE)
        return THeaderRead::End;
    if (result != 0)
        return THeaderRead::Damaged;
    name = OemToAnsi(std::string(header.FileName, strnlen(header.FileName, sizeof(header.FileName))));
    entryCrc_ = header.FileCRC;
    entrySize_ = header.UnpSize;
    return THeaderRead::Entry;
}

bool TArchiveWalk::Skip() {
    return RarLibrary.ProcessFile(handle_, RAR_SKIP, nullptr, nullptr) == 0;
}

bool TArchiveWalk::ExtractTo(const std::wstring& destination) {
    writeError_ = 0;
    int result = ERAR_ECREATE;
    SetLastError(0);
    if (RarLibrary.ProcessFileW != nullptr) {
        std::vector<wchar_t> name = Terminated(destination);
        result = RarLibrary.ProcessFileW(handle_, RAR_EXTRACT, nullptr, name.data());
    } else {
        std::string oemName;
        if (!TextToOem(destination, oemName))
            return false;
        result = RarLibrary.ProcessFile(handle_, RAR_EXTRACT, nullptr, oemName.data());
    }
    // Only a file that could not be made or written has a reason of the system's (a full drive, a file
    // held by another program); a library of another make may leave none.
    if (result == ERAR_ECREATE || result == ERAR_EWRITE)
        writeError_ = GetLastError();
    return result == 0;
}

bool LibraryDestination(const std::wstring& destination, std::wstring& seen) {
    if (RarLibrary.ProcessFileW != nullptr) {
        seen = destination;
        return true;
    }
    std::string oemName;
    if (!TextToOem(destination, oemName))
        return false;
    seen = OemToAnsi(oemName);
    return true;
}

TFolderPrefix::TFolderPrefix(const std::wstring& entryPrefix, const std::wstring& baseFolder) {
    std::wstring base = baseFolder.empty() ? std::wstring() : WithTrailingBackslash(baseFolder);
    prefix_ = UpperCase(base + entryPrefix);
    baseLength_ = base.size();
}

bool TFolderPrefix::Matches(const std::wstring& name) const {
    return name.size() >= prefix_.size() && UpperCase(name.substr(0, prefix_.size())) == prefix_;
}

bool EnterTargetFolder(const std::wstring& targetFolder, TFolderExtraction& line) {
    // Entered before every entry: the folder that is current already is not opened again.
    wchar_t current[MAX_PATH];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, current);
    if ((length < MAX_PATH && targetFolder == std::wstring_view(current, length)) ||
        SetCurrentDirectoryW(targetFolder.c_str()))
        return true;
    const DWORD code = GetLastError();
    line.folderFailed = true;
    line.failure = {code, SystemErrorText(code)};
    return false;
}

} // namespace zarvo
