#include <windows.h>

#include "platform/FileOutput.h"

namespace rarlib {
namespace {

class UniqueHandle {
public:
    explicit UniqueHandle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.h_) { other.h_ = INVALID_HANDLE_VALUE; }
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            (void)close();
            h_ = other.h_;
            other.h_ = INVALID_HANDLE_VALUE;
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { (void)close(); }
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    bool close() {
        const HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return h == INVALID_HANDLE_VALUE || h == nullptr || CloseHandle(h) != FALSE;
    }

private:
    HANDLE h_;
};

class Win32Input final : public RandomAccessInput {
public:
    Win32Input(UniqueHandle h, uint64_t size) : handle_(std::move(h)), size_(size) {}
    uint64_t size() const override { return size_; }
    bool readAt(uint64_t offset, uint8_t* dst, size_t size) override {
        while (size > 0) {
            OVERLAPPED ov{};
            ov.Offset = static_cast<DWORD>(offset);
            ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
            const DWORD want = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
            DWORD got = 0;
            if (!ReadFile(handle_.get(), dst, want, &got, &ov) || got == 0) {
                return false;
            }
            dst += got;
            offset += got;
            size -= got;
        }
        return true;
    }

private:
    UniqueHandle handle_;
    uint64_t size_;
};

// MS-DOS date/time is local time; the result is UTC with the extended time's finer part.
bool toFileTime(const EntryTime& t, FILETIME& out) {
    FILETIME local{};
    if (!DosDateTimeToFileTime(static_cast<WORD>(t.dosTime >> 16), static_cast<WORD>(t.dosTime), &local)) {
        return false;
    }
    SYSTEMTIME localSt{};
    SYSTEMTIME utcSt{};
    if (!FileTimeToSystemTime(&local, &localSt) ||
        !TzSpecificLocalTimeToSystemTime(nullptr, &localSt, &utcSt) || !SystemTimeToFileTime(&utcSt, &out)) {
        return false;
    }
    ULARGE_INTEGER v;
    v.LowPart = out.dwLowDateTime;
    v.HighPart = out.dwHighDateTime;
    v.QuadPart += t.extra100ns;
    out.dwLowDateTime = v.LowPart;
    out.dwHighDateTime = v.HighPart;
    return true;
}

DWORD windowsAttributes(const FileMeta& meta) {
    const bool unixLike =
        meta.hostOs == hostos::kUnix || meta.hostOs == hostos::kMacOs || meta.hostOs == hostos::kBeOs;
    if (unixLike || meta.hostOs > hostos::kBeOs) {
        return FILE_ATTRIBUTE_ARCHIVE;
    }
    const DWORD keep =
        FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    const DWORD attrs = meta.attr & keep;
    return attrs == 0 ? FILE_ATTRIBUTE_NORMAL : attrs;
}

class Win32OutputFile final : public OutputFile {
public:
    Win32OutputFile(UniqueHandle h, Path path) : handle_(std::move(h)), path_(std::move(path)) {}
    ~Win32OutputFile() override {
        if (handle_.valid()) {
            discard();
        }
    }
    bool write(const uint8_t* data, size_t size) override {
        while (size > 0) {
            const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
            DWORD done = 0;
            if (!WriteFile(handle_.get(), data, chunk, &done, nullptr) || done == 0) {
                return false;
            }
            data += done;
            size -= done;
        }
        return true;
    }
    bool commit(const FileMeta& meta) override {
        // The time and the attributes in one call through the open handle, not a second open by the path.
        // A zero time leaves that time as it is.
        FILE_BASIC_INFO info{};
        FILETIME ft{};
        if (toFileTime(meta.mtime, ft)) {
            info.LastWriteTime.LowPart = ft.dwLowDateTime;
            info.LastWriteTime.HighPart = static_cast<LONG>(ft.dwHighDateTime);
        }
        info.FileAttributes = windowsAttributes(meta);
        SetFileInformationByHandle(handle_.get(), FileBasicInfo, &info, sizeof(info));
        return handle_.close();
    }
    // The caller reads why the write failed after the incomplete file is gone.
    void discard() override {
        const DWORD error = GetLastError();
        handle_.close();
        DeleteFileW(path_.c_str());
        SetLastError(error);
    }

private:
    UniqueHandle handle_;
    Path path_;
};

bool makeDirectories(const Path& path) {
    if (path.empty()) {
        return true;
    }
    const DWORD attrs = GetFileAttributesW(path.c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES) {
        return (attrs & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }
    const Path parent = path.parent_path();
    if (parent != path && !makeDirectories(parent)) {
        return false;
    }
    return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

UniqueHandle createForWriting(const Path& path) {
    return UniqueHandle(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

class Win32FileSystem final : public FileSystem {
public:
    std::unique_ptr<RandomAccessInput> openInput(const Path& path) override {
        UniqueHandle h(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        LARGE_INTEGER size{};
        if (!h.valid() || !GetFileSizeEx(h.get(), &size)) {
            return nullptr;
        }
        return std::make_unique<Win32Input>(std::move(h), static_cast<uint64_t>(size.QuadPart));
    }

    std::unique_ptr<OutputFile> createFile(const Path& path) override {
        if (!makeDirectories(path.parent_path())) {
            return nullptr;
        }
        UniqueHandle h = createForWriting(path);
        if (!h.valid() && GetLastError() == ERROR_ACCESS_DENIED) {
            // A read-only, hidden or system file in the way is replaced too.
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            h = createForWriting(path);
        }
        if (!h.valid()) {
            return nullptr;
        }
        return std::make_unique<Win32OutputFile>(std::move(h), path);
    }

    bool createDirectories(const Path& path) override { return makeDirectories(path); }
};

// At namespace scope: a function-local static would need the runtime's thread-safe guard, which the
// library built without exceptions does not link.
Win32FileSystem theFileSystem;

} // namespace

FileSystem& nativeFileSystem() {
    return theFileSystem;
}

} // namespace rarlib
