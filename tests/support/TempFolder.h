#pragma once
// A fresh folder below the temporary folder for one test, removed with everything in it afterwards: the
// Windows tests' one, the library's DLL test included (it needs nothing but the system headers). The
// native tests keep rarlib/tests/support/TempDir.h, on std::filesystem.

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace zarvo::testing {

inline bool WriteTextFile(const std::wstring& path, const std::string& bytes) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok =
        WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(file);
    return ok;
}

inline std::string ReadBinaryFile(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), DWORD(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

inline bool PathExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Names of the plain files of a folder, sorted.
inline std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            names.push_back(data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

// The bytes of an RCDATA resource of the running program; empty when it has none of that name.
inline std::string ResourceBytes(const wchar_t* name) {
    HRSRC info = FindResourceW(nullptr, name, RT_RCDATA);
    if (info == nullptr)
        return {};
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(nullptr, info)));
    return std::string(bytes, SizeofResource(nullptr, info));
}

// Removes a folder tree, read-only files included.
inline void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring path = folder + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

struct TExactPath {
    std::wstring path;
};

class TempFolder {
public:
    // Below the temporary folder, named after the tag, the process and a count.
    explicit TempFolder(const std::wstring& tag = L"zarvo-test") : TempFolder(TExactPath{UniquePath(tag)}) {}
    // At exactly this path, for tests whose folder name or place matters.
    explicit TempFolder(TExactPath exact) : path_(std::move(exact.path)) {
        RemoveTree(path_);
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() { RemoveTree(path_); }

    const std::wstring& Path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    static std::wstring UniquePath(const std::wstring& tag) {
        wchar_t temp[MAX_PATH + 1];
        GetTempPathW(MAX_PATH + 1, temp);
        static unsigned counter = 0;
        return std::wstring(temp) + tag + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::to_wstring(++counter);
    }

    std::wstring path_;
};

} // namespace zarvo::testing
