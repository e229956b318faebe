#include "win32/UnrarDll.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace rarlib::test {
namespace {

template <typename F> void bind(HMODULE module, F& fn, const char* name) {
    fn = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

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

} // namespace

const UnrarDll& UnrarDll::get() {
    static const UnrarDll dll = [] {
        UnrarDll d;
        d.module = LoadLibraryW(WinePath(RARLIB_DLL_PATH).c_str());
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
