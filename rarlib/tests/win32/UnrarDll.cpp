#include "win32/UnrarDll.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace rarlib::test {
namespace {

template <typename F> void bind(HMODULE module, F& fn, const char* name) {
    fn = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

class FindHandle {
public:
    explicit FindHandle(HANDLE h) : h_(h) {}
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    ~FindHandle() {
        if (h_ != INVALID_HANDLE_VALUE) {
            FindClose(h_);
        }
    }
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

class FileHandle {
public:
    explicit FileHandle(HANDLE h) : h_(h) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle() {
        if (h_ != INVALID_HANDLE_VALUE) {
            CloseHandle(h_);
        }
    }
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

void removeTree(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    FindHandle find(FindFirstFileW((dir + L"\\*").c_str(), &fd));
    if (find.get() != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring full = dir + L"\\" + name;
            SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(full);
            } else {
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(find.get(), &fd));
    }
    RemoveDirectoryW(dir.c_str());
}

} // namespace

const UnrarDll& UnrarDll::get() {
    static const UnrarDll dll = [] {
        UnrarDll d;
        d.module = LoadLibraryW(wineWidePath(RARLIB_DLL_PATH).c_str());
        if (!d.module) {
            return d;
        }
        bind(d.module, d.openArchive, "RAROpenArchive");
        bind(d.module, d.openArchiveEx, "RAROpenArchiveEx");
        bind(d.module, d.closeArchive, "RARCloseArchive");
        bind(d.module, d.readHeader, "RARReadHeader");
        bind(d.module, d.readHeaderEx, "RARReadHeaderEx");
        bind(d.module, d.processFile, "RARProcessFile");
        bind(d.module, d.processFileW, "RARProcessFileW");
        bind(d.module, d.setCallback, "RARSetCallback");
        bind(d.module, d.setPassword, "RARSetPassword");
        bind(d.module, d.getDllVersion, "RARGetDllVersion");
        return d;
    }();
    return dll;
}

const UnrarDll& dll() {
    const UnrarDll& d = UnrarDll::get();
    EXPECT_NE(d.module, nullptr);
    return d;
}

Archive::Archive(const std::string& ansiPath, UINT mode) : name_(ansiPath) {
    RAROpenArchiveData data{};
    data.ArcName = name_.data();
    data.OpenMode = mode;
    handle_ = dll().openArchive(&data);
    result_ = data.OpenResult;
}

Archive::Archive(const std::wstring& widePath, UINT mode) : wideName_(widePath) {
    RAROpenArchiveDataEx data{};
    data.ArcNameW = wideName_.data();
    data.OpenMode = mode;
    handle_ = dll().openArchiveEx(&data);
    result_ = data.OpenResult;
}

Archive::~Archive() {
    if (handle_) {
        dll().closeArchive(handle_);
    }
}

bool pathExists(const std::wstring& path, bool directory) {
    const DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && ((a & FILE_ATTRIBUTE_DIRECTORY) != 0) == directory;
}

std::wstring wineWidePath(const char* unixPath) {
    std::wstring out = L"Z:";
    for (const char* p = unixPath; *p; ++p) {
        out.push_back(*p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p)));
    }
    return out;
}

WinTempDir::WinTempDir() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static unsigned counter = 0;
    for (;;) {
        path_ = std::wstring(base) + L"rarlib-dll-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(counter++);
        if (CreateDirectoryW(path_.c_str(), nullptr)) {
            break;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            throw std::runtime_error("cannot create a temporary folder");
        }
    }
}

WinTempDir::~WinTempDir() {
    removeTree(path_);
}

std::string toCodePage(UINT codePage, const std::wstring& text) {
    const int n = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

std::string readWholeFile(const std::wstring& path) {
    FileHandle h(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (h.get() == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("cannot open a file that should exist");
    }
    std::string out;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h.get(), buf, sizeof(buf), &got, nullptr) && got > 0) {
        out.append(buf, got);
    }
    return out;
}

bool writeWholeFile(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    FileHandle h(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD done = 0;
    return h.get() != INVALID_HANDLE_VALUE &&
           WriteFile(h.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
           done == bytes.size();
}

} // namespace rarlib::test
