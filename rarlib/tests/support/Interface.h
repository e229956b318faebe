#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "rardll.h"

namespace rarlib::test {

void writeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
std::string readText(const std::filesystem::path& path);

// Data and notifications seen by the callback.
struct CallbackLog {
    std::string data;
    int processDataReturn = 1; // -1 cancels
    std::vector<std::string> volumeNotices;
    std::vector<std::string> volumeRequests;
    std::string renameVolumeTo; // answer to a volume request (empty: cancel)
    std::string password;       // answer to a password request (empty: cancel)
    int passwordRequests = 0;
};

int CALLBACK logCallback(UINT msg, LPARAM user, LPARAM p1, LPARAM p2);

// An archive handle that is closed on every path.
class OpenArchive {
public:
    OpenArchive(const std::filesystem::path& path, int mode, CallbackLog* log = nullptr);
    ~OpenArchive();
    OpenArchive(const OpenArchive&) = delete;
    OpenArchive& operator=(const OpenArchive&) = delete;

    HANDLE get() const { return handle_; }
    int openResult() const { return openResult_; }
    UINT flags() const { return flags_; }
    int next(RARHeaderDataEx& header) { return RARReadHeaderEx(handle_, &header); }
    int process(int operation, const std::string& destPath = {}, const std::string& destName = {});

private:
    HANDLE handle_ = nullptr;
    int openResult_ = -1;
    UINT flags_ = 0;
};

} // namespace rarlib::test
