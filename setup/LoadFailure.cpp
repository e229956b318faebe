#include "setup/LoadFailure.h"

#include "common/Folders.h"
#include "common/SetupError.h"
#include "common/Text.h"
#include "setup/ImportTable.h"
#include "common/PathText.h"
#include "setup/SetupTexts.h"

#include <algorithm>

namespace zarvo {

namespace {

bool StartsWithText(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

bool ContainsText(const std::vector<std::wstring>& list, const std::wstring& item) {
    return std::any_of(list.begin(), list.end(),
                       [&](const std::wstring& entry) { return SameText(entry, item); });
}

bool FileExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring FolderOf(const std::wstring& path) {
    std::wstring folder = ParentFolder(path);
    return folder.empty() ? std::wstring(L".") : folder;
}

// The error text as one line that another phrase can follow. Load errors name the module as their only
// insert, which the system leaves in place.
std::wstring LoadErrorText(DWORD error, const std::wstring& libraryName) {
    std::wstring text = SystemErrorText(error);
    for (size_t at = text.find(L"%1"); at != std::wstring::npos;
         at = text.find(L"%1", at + libraryName.size()))
        text.replace(at, 2, libraryName);
    std::replace_if(
        text.begin(), text.end(), [](wchar_t c) { return c == L'\r' || c == L'\n'; }, L' ');
    while (!text.empty() && (text.back() == L'.' || text.back() == L' '))
        text.pop_back();
    return text;
}

} // namespace

bool IsApiSetName(const std::wstring& name) {
    return StartsWithText(name, L"api-ms-win-") || StartsWithText(name, L"ext-ms-");
}

std::vector<std::wstring> MissingImports(const std::wstring& libraryPath) {
    const std::wstring folder = FolderOf(FullPath(libraryPath));
    const std::wstring systemFolder = GetSystemFolder();
    std::vector<std::wstring> missing;
    // The libraries beside it are the product's own and may lack a dependency of theirs; the system's
    // libraries bring theirs along.
    std::vector<std::wstring> toRead{FullPath(libraryPath)};
    for (size_t next = 0; next < toRead.size(); ++next) {
        std::vector<std::wstring> imports;
        if (!ReadImportedLibraries(toRead[next], imports))
            continue;
        for (const std::wstring& name : imports) {
            if (IsApiSetName(name) || ContainsText(missing, name))
                continue;
            const std::wstring beside = JoinPath(folder, name);
            if (FileExists(beside)) {
                if (!ContainsText(toRead, beside))
                    toRead.push_back(beside);
            } else if (!FileExists(systemFolder + name)) {
                missing.push_back(name);
            }
        }
    }
    return missing;
}

std::wstring LoadFailureText(const std::wstring& libraryPath, DWORD error) {
    std::wstring text =
        CannotLoadLibraryText + libraryPath + L": " + LoadErrorText(error, FileNameOf(libraryPath));
    const std::vector<std::wstring> missing = MissingImports(libraryPath);
    if (missing.empty())
        return text;
    text += missing.size() == 1 ? MissingLibraryText : MissingLibrariesText;
    for (size_t index = 0; index < missing.size(); ++index)
        text += (index == 0 ? L"" : L", ") + missing[index];
    return text;
}

} // namespace zarvo
