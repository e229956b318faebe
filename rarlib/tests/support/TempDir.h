#pragma once

#include <filesystem>

namespace rarlib::test {

// A fresh folder under the system's temporary folder, removed with everything in it: the native tests'
// one (rarlib's and mkpayload's). The Windows tests keep tests/support/TempFolder.h, which works in the
// wide Win32 paths they pass everywhere.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

} // namespace rarlib::test
