#include "DataSource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace mkpayload {

bool TMemorySource::Read(std::span<uint8_t> buffer, size_t& got, std::string& /*error*/) {
    got = std::min(buffer.size(), data_.size() - position_);
    std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(position_), got, buffer.begin());
    position_ += got;
    return true;
}

TFileSource::~TFileSource() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool TFileSource::Open(const std::filesystem::path& path, std::string& error) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        error = std::string("cannot be read: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool TFileSource::Read(std::span<uint8_t> buffer, size_t& got, std::string& error) {
    for (;;) {
        const ssize_t n = ::read(fd_, buffer.data(), buffer.size());
        if (n >= 0) {
            got = static_cast<size_t>(n);
            return true;
        }
        if (errno != EINTR) {
            error = std::string("read error: ") + std::strerror(errno);
            return false;
        }
    }
}

} // namespace mkpayload
