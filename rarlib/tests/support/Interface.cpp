#include "support/Interface.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace rarlib::test {

void writeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int CALLBACK logCallback(UINT msg, LPARAM user, LPARAM p1, LPARAM p2) {
    auto* log = reinterpret_cast<CallbackLog*>(user);
    switch (msg) {
    case UCM_PROCESSDATA:
        log->data.append(reinterpret_cast<const char*>(p1), static_cast<size_t>(p2));
        return log->processDataReturn;
    case UCM_CHANGEVOLUME: {
        char* name = reinterpret_cast<char*>(p1);
        if (p2 == RAR_VOL_NOTIFY) {
            log->volumeNotices.emplace_back(name);
            return 1;
        }
        log->volumeRequests.emplace_back(name);
        if (log->renameVolumeTo.empty()) {
            return -1;
        }
        std::strcpy(name, log->renameVolumeTo.c_str());
        return 1;
    }
    case UCM_NEEDPASSWORD: {
        ++log->passwordRequests;
        if (log->password.empty()) {
            return -1;
        }
        std::strncpy(reinterpret_cast<char*>(p1), log->password.c_str(), static_cast<size_t>(p2));
        return 1;
    }
    default:
        return 0;
    }
}

OpenArchive::OpenArchive(const std::filesystem::path& path, int mode, CallbackLog* log) {
    std::string name = path.string();
    RAROpenArchiveDataEx data{};
    data.ArcName = name.data();
    data.OpenMode = static_cast<UINT>(mode);
    if (log) {
        data.Callback = logCallback;
        data.UserData = reinterpret_cast<LPARAM>(log);
    }
    handle_ = RAROpenArchiveEx(&data);
    openResult_ = static_cast<int>(data.OpenResult);
    flags_ = data.Flags;
}

OpenArchive::~OpenArchive() {
    if (handle_) {
        RARCloseArchive(handle_);
    }
}

int OpenArchive::process(int operation, const std::string& destPath, const std::string& destName) {
    std::string path = destPath;
    std::string name = destName;
    return RARProcessFile(handle_, operation, path.empty() ? nullptr : path.data(),
                          name.empty() ? nullptr : name.data());
}

} // namespace rarlib::test
