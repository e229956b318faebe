#include "archive/StagingFolder.h"

#include "common/Text.h"
#include "common/PathText.h"
#include "common/Folders.h"
#include "common/Handles.h"

#include <windows.h>

namespace zarvo {

namespace {

// Extracted entries may carry read-only attributes; they go all the same.
void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    TFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (find) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring path = JoinPath(folder, name);
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(find.Get(), &data));
    }
    find.Reset();
    RemoveDirectoryW(folder.c_str());
}

} // namespace

TStagingFolder::TStagingFolder(const std::wstring& parent) {
    const std::wstring base = JoinPath(parent, L"ZarvoUnpack-") + DecimalText(GetCurrentProcessId()) + L"-";
    // A name left behind by an earlier process of the same id is passed over, never reused.
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        std::wstring candidate = base + DecimalText(GetTickCount()) + L"-" + DecimalText(attempt);
        if (CreateDirectoryW(candidate.c_str(), nullptr)) {
            path_ = candidate;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return;
    }
}

TStagingFolder::~TStagingFolder() {
    if (Valid())
        RemoveTree(path_);
}

std::wstring TStagingFolder::EntryPath(size_t index) const {
    return JoinPath(path_, DecimalText(int64_t(index)));
}

} // namespace zarvo
