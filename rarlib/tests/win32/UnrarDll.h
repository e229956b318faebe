#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "rardll.h"

// The Windows tests' own helpers; they need nothing but the system headers.
#include "tests/support/TempFolder.h"
#include "tests/support/TestPaths.h"

namespace rarlib::test {

// The built Unrar.dll, loaded by full path as the installer loads it, with every entry point bound by
// name.
struct UnrarDll {
    static const UnrarDll& get();

    HMODULE module = nullptr;
    decltype(&RAROpenArchive) openArchive = nullptr;
    decltype(&RAROpenArchiveEx) openArchiveEx = nullptr;
    decltype(&RARCloseArchive) closeArchive = nullptr;
    decltype(&RARReadHeader) readHeader = nullptr;
    decltype(&RARReadHeaderEx) readHeaderEx = nullptr;
    decltype(&RARProcessFile) processFile = nullptr;
    decltype(&RARProcessFileW) processFileW = nullptr;
    decltype(&RARSetCallback) setCallback = nullptr;
    decltype(&RARSetPassword) setPassword = nullptr;
    decltype(&RARGetDllVersion) getDllVersion = nullptr;
};

// The loaded DLL; a test that gets it without a module fails.
const UnrarDll& dll();

// An archive handle of the loaded DLL, closed on every path.
class Archive {
public:
    Archive(const std::string& ansiPath, UINT mode);
    Archive(const std::wstring& widePath, UINT mode);
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;
    HANDLE get() const { return handle_; }
    UINT result() const { return result_; }

private:
    std::string name_;
    std::wstring wideName_;
    HANDLE handle_ = nullptr;
    UINT result_ = 0;
};

bool pathExists(const std::wstring& path, bool directory);

using zarvo::testing::TempFolder;
using zarvo::testing::WinePath;

std::string toCodePage(UINT codePage, const std::wstring& text);
std::string readWholeFile(const std::wstring& path);
bool writeWholeFile(const std::wstring& path, const std::vector<uint8_t>& bytes);

} // namespace rarlib::test
