#include "platform/FileOutput.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rarlib {
namespace {

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    int get() const { return fd_; }
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }
    void reset() { (void)close(); }

private:
    int fd_;
};

class PosixInput final : public RandomAccessInput {
public:
    PosixInput(int fd, uint64_t size) : fd_(fd), size_(size) {}
    uint64_t size() const override { return size_; }
    bool readAt(uint64_t offset, uint8_t* dst, size_t size) override {
        while (size > 0) {
            const ssize_t n = ::pread(fd_.get(), dst, size, static_cast<off_t>(offset));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return false;
            }
            dst += n;
            offset += static_cast<uint64_t>(n);
            size -= static_cast<size_t>(n);
        }
        return true;
    }

private:
    Fd fd_;
    uint64_t size_;
};

bool isUnixLike(uint8_t host) {
    return host == hostos::kUnix || host == hostos::kMacOs || host == hostos::kBeOs;
}

// MS-DOS date/time is local time.
timespec toTimespec(const EntryTime& t) {
    std::tm tm{};
    tm.tm_sec = static_cast<int>((t.dosTime & 0x1F) * 2);
    tm.tm_min = static_cast<int>((t.dosTime >> 5) & 0x3F);
    tm.tm_hour = static_cast<int>((t.dosTime >> 11) & 0x1F);
    tm.tm_mday = static_cast<int>((t.dosTime >> 16) & 0x1F);
    tm.tm_mon = static_cast<int>((t.dosTime >> 21) & 0x0F) - 1;
    tm.tm_year = static_cast<int>((t.dosTime >> 25) & 0x7F) + 80;
    tm.tm_isdst = -1;
    timespec ts{};
    ts.tv_sec = std::mktime(&tm) + static_cast<time_t>(t.extra100ns / 10'000'000u);
    ts.tv_nsec = static_cast<long>((t.extra100ns % 10'000'000u) * 100);
    return ts;
}

class PosixOutputFile final : public OutputFile {
public:
    PosixOutputFile(int fd, Path path) : fd_(fd), path_(std::move(path)) {}
    ~PosixOutputFile() override {
        if (fd_.get() >= 0) {
            discard();
        }
    }
    bool write(const uint8_t* data, size_t size) override {
        while (size > 0) {
            const ssize_t n = ::write(fd_.get(), data, size);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                return false;
            }
            data += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }
    bool commit(const FileMeta& meta) override {
        const timespec times[2] = {toTimespec(meta.mtime), toTimespec(meta.mtime)};
        (void)::futimens(fd_.get(), times);
        mode_t mode = 0644;
        if (isUnixLike(meta.hostOs)) {
            mode = static_cast<mode_t>(meta.attr & 0777);
        } else if (meta.attr & 0x01) {
            mode = 0444;
        }
        (void)::fchmod(fd_.get(), mode);
        return fd_.close();
    }
    void discard() override {
        fd_.reset();
        ::unlink(path_.c_str());
    }

private:
    Fd fd_;
    Path path_;
};

bool makeDirectories(const Path& path) {
    if (path.empty()) {
        return true;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        return S_ISDIR(st.st_mode);
    }
    const Path parent = path.parent_path();
    if (parent != path && !makeDirectories(parent)) {
        return false;
    }
    return ::mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}

class PosixFileSystem final : public FileSystem {
public:
    std::unique_ptr<RandomAccessInput> openInput(const Path& path) override {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return nullptr;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return nullptr;
        }
        return std::make_unique<PosixInput>(fd, static_cast<uint64_t>(st.st_size));
    }

    std::unique_ptr<OutputFile> createFile(const Path& path) override {
        if (!makeDirectories(path.parent_path())) {
            return nullptr;
        }
        // Replacing means a new file: a read-only file is no obstacle and a link in its place is not
        // followed.
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0) {
            if (S_ISDIR(st.st_mode) || ::unlink(path.c_str()) != 0) {
                return nullptr;
            }
        }
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            return nullptr;
        }
        return std::make_unique<PosixOutputFile>(fd, path);
    }

    bool createDirectories(const Path& path) override { return makeDirectories(path); }
};

} // namespace

FileSystem& nativeFileSystem() {
    static PosixFileSystem fs;
    return fs;
}

} // namespace rarlib
