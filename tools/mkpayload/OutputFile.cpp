#include "OutputFile.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mkpayload {
namespace {

constexpr size_t kBufferSize = 1 << 16;

// Read by the signal handler: a fixed buffer, since nothing else is safe to touch there.
char g_temporaryPath[4096];
volatile std::sig_atomic_t g_temporaryActive = 0;

extern "C" void RemoveTemporaryAndDie(int signal) {
    if (g_temporaryActive) {
        ::unlink(g_temporaryPath);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

} // namespace

void TOutputFile::RemoveTemporaryOnSignals() {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        std::signal(signal, RemoveTemporaryAndDie);
    }
}

TOutputFile::~TOutputFile() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
    if (!temporary_.empty() && !committed_) {
        g_temporaryActive = 0;
        ::unlink(temporary_.c_str());
    }
}

bool TOutputFile::Create(const std::filesystem::path& path, std::string& error) {
    path_ = path;
    std::filesystem::path pattern = path;
    pattern.replace_filename("." + path.filename().string() + ".XXXXXX");
    std::string name = pattern.string();
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0) {
        error = "cannot create " + name + ": " + std::strerror(errno);
        return false;
    }
    temporary_ = name;
    if (name.size() < sizeof g_temporaryPath) {
        std::memcpy(g_temporaryPath, name.c_str(), name.size() + 1);
        g_temporaryActive = 1;
    }
    buffer_.reserve(kBufferSize);
    return true;
}

bool TOutputFile::Fail(const char* what) {
    if (error_.empty()) {
        error_ = std::string(what) + " " + temporary_.string() + ": " + std::strerror(errno);
    }
    return false;
}

bool TOutputFile::Flush() {
    size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return Fail("cannot write");
        }
        done += static_cast<size_t>(n);
    }
    buffer_.clear();
    return true;
}

bool TOutputFile::Write(std::span<const uint8_t> bytes) {
    if (!error_.empty()) {
        return false;
    }
    while (!bytes.empty()) {
        const size_t take = std::min(bytes.size(), kBufferSize - buffer_.size());
        buffer_.insert(buffer_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
        bytes = bytes.subspan(take);
        size_ += take;
        if (buffer_.size() == kBufferSize && !Flush()) {
            return false;
        }
    }
    return true;
}

bool TOutputFile::WriteAt(uint64_t offset, std::span<const uint8_t> bytes) {
    if (!error_.empty() || !Flush()) {
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return Fail("cannot write");
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

bool TOutputFile::Commit(std::string& error) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (!error_.empty() || !Flush() || ::fchmod(fd_, 0666 & ~mask) != 0 || ::fsync(fd_) != 0) {
        Fail("cannot write");
        error = error_;
        return false;
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        Fail("cannot write");
        error = error_;
        return false;
    }
    if (::rename(temporary_.c_str(), path_.c_str()) != 0) {
        error =
            "cannot rename " + temporary_.string() + " to " + path_.string() + ": " + std::strerror(errno);
        return false;
    }
    committed_ = true;
    g_temporaryActive = 0;
    return true;
}

} // namespace mkpayload
