#include "archive/ArchiveExtract.h"

#include "archive/UnRAR.h"
#include "common/CommonUtils.h"
#include "common/SetupError.h"
#include "common/Text.h"

#include <cstring>
#include <vector>

namespace zarvo {

namespace {

// An archive opened for extraction, closed on every path.
class TOpenArchive {
public:
    explicit TOpenArchive(const std::wstring& path) {
        // The wide name reaches paths the ANSI code page cannot spell; the ANSI one serves
        // libraries that predate it.
        std::vector<wchar_t> wideName(path.begin(), path.end());
        wideName.push_back(L'\0');
        std::string ansiName(path.size() * 2 + 1, '\0');
        WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, ansiName.data(), int(ansiName.size()), nullptr,
                            nullptr);
        RAROpenArchiveDataEx data{};
        data.ArcName = ansiName.data();
        data.ArcNameW = wideName.data();
        data.OpenMode = RAR_OM_EXTRACT;
        handle_ = RarLibrary.OpenArchiveEx(&data);
        if (handle_ != nullptr && data.OpenResult != 0) {
            RarLibrary.CloseArchive(handle_);
            handle_ = nullptr;
        }
    }
    TOpenArchive(const TOpenArchive&) = delete;
    TOpenArchive& operator=(const TOpenArchive&) = delete;
    ~TOpenArchive() {
        if (handle_ != nullptr)
            RarLibrary.CloseArchive(handle_);
    }
    bool IsOpen() const { return handle_ != nullptr; }

    // The stored name of the next entry (converted from the OEM code page). False at the end of the
    // archive or on a damaged header.
    bool NextEntry(std::wstring& name) {
        RARHeaderData header{};
        if (RarLibrary.ReadHeader(handle_, &header) != 0)
            return false;
        name = OemToAnsi(std::string(header.FileName, strnlen(header.FileName, sizeof(header.FileName))));
        return true;
    }

    bool Skip() { return RarLibrary.ProcessFile(handle_, RAR_SKIP, nullptr, nullptr) == 0; }

    // Extracts the current entry to exactly that file path.
    bool ExtractTo(const std::wstring& destination) {
        if (RarLibrary.ProcessFileW != nullptr) {
            std::vector<wchar_t> name(destination.begin(), destination.end());
            name.push_back(L'\0');
            return RarLibrary.ProcessFileW(handle_, RAR_EXTRACT, nullptr, name.data()) == 0;
        }
        std::string oemName;
        if (!TextToOem(destination, oemName))
            return false;
        return RarLibrary.ProcessFile(handle_, RAR_EXTRACT, nullptr, oemName.data()) == 0;
    }

private:
    HANDLE handle_ = nullptr;
};

std::wstring WithBackslash(const std::wstring& folder) {
    return !folder.empty() && folder.back() == L'\\' ? folder : folder + L'\\';
}

// A stored name stays inside the folder it is extracted to: relative, no drive or stream colon, no
// parent steps.
bool StaysInsideFolder(const std::wstring& name) {
    if (name.empty() || name.front() == L'\\' || name.front() == L'/' ||
        name.find(L':') != std::wstring::npos)
        return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of(L"\\/", start);
        if (end == std::wstring::npos)
            end = name.size();
        if (name.compare(start, end - start, L"..") == 0)
            return false;
        start = end + 1;
    }
    return true;
}

} // namespace

bool ExtractArchiveFile(const std::wstring& archivePath, const std::wstring& targetFolder,
                        const std::wstring& entryName) {
    TOpenArchive archive(archivePath);
    if (!archive.IsOpen())
        return false;
    std::wstring wanted = UpperCase(entryName);
    std::wstring name;
    while (archive.NextEntry(name)) {
        if (UpperCase(name) == wanted) {
            // Only the first entry of that name counts.
            return StaysInsideFolder(name) && archive.ExtractTo(WithBackslash(targetFolder) + name);
        }
        if (!archive.Skip())
            return false;
    }
    return false;
}

bool ExtractArchiveFolder(const std::wstring& archivePath, const std::wstring& entryPrefix,
                          const std::wstring& targetFolder, const std::wstring& baseFolder) {
    std::wstring base = baseFolder.empty() ? std::wstring() : WithBackslash(baseFolder);
    std::wstring prefix = UpperCase(base + entryPrefix);
    if (prefix.empty())
        return false;
    TOpenArchive archive(archivePath);
    if (!archive.IsOpen())
        return false;

    bool result = false;
    std::wstring name;
    while (archive.NextEntry(name)) {
        bool matches = name.size() >= prefix.size() && UpperCase(name.substr(0, prefix.size())) == prefix;
        if (!matches) {
            if (!archive.Skip())
                break;
            continue;
        }
        // Callers rely on the target being the current folder afterwards.
        if (!SetCurrentDirectoryW(targetFolder.c_str())) {
            DWORD code = GetLastError();
            throw ESetupError(SystemErrorText(code));
        }
        std::wstring relative = name.substr(base.size());
        result = StaysInsideFolder(relative) && archive.ExtractTo(WithBackslash(targetFolder) + relative);
        if (!result)
            break;
    }
    return result;
}

} // namespace zarvo
