#pragma once
// What the SetupUtils tests share: product files, child processes, recorded reports, scratch folders
// and registry look-ups.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "common/Handles.h"
#include "common/Reporting.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestPaths.h"

namespace setuptest {

using zarvo::testing::FilesIn;
using zarvo::testing::PathExists;

// Build-tree files the tests use, as the Wine prefix sees them.
inline const std::wstring ProductDistFolder = zarvo::testing::WinePath(SETUP_TEST_PRODUCT_DIR);
inline const std::wstring ProductRuntimeLibrary = zarvo::testing::WinePath(SETUP_TEST_RUNTIME);
inline const std::wstring TestWindowProgram = zarvo::testing::WinePath(SETUP_TEST_WINDOW);
inline const std::wstring FaultingLibrary = zarvo::testing::WinePath(SETUP_TEST_FAULTING_LIBRARY);
inline const std::wstring DependentLibrary = zarvo::testing::WinePath(SETUP_TEST_DEPENDENT_LIBRARY);

// A file of the stand-in product (below Dist).
std::wstring ProductFile(const std::wstring& name);

// A program started by the test whose window the test works with.
class TChildProcess : public zarvo::testing::TChildProcess {
public:
    // Starts the program and waits (up to 30 s) until it shows a top-level window with the title.
    bool StartWithWindow(const std::wstring& program, const std::wstring& arguments,
                         const std::wstring& title);
    HWND Window() const { return window_; }
    void Terminate() {
        zarvo::testing::TChildProcess::Terminate();
        window_ = nullptr;
    }

private:
    HWND window_ = nullptr;
};

// Collects what the registration reports through it, and ReportError / ReportInfo while it lives.
class TReportLog final : public zarvo::TReporter {
public:
    struct TReport {
        bool error;
        std::wstring text;
        std::wstring caption;
        bool operator==(const TReport&) const = default;
    };

    TReportLog();

    void Report(bool error, const std::wstring& text, const std::wstring& caption) override {
        reports_.push_back({error, text, caption});
    }
    const std::vector<TReport>& Reports() const { return reports_; }
    void Clear() { reports_.clear(); }
    // Every report's text, for readable failure output.
    std::wstring Dump() const;

private:
    std::vector<TReport> reports_;
    zarvo::TReportSlots slots_;
};

// A fresh folder at the given path, removed with everything in it when the object goes away.
class TScratchFolder : public zarvo::testing::TempFolder {
public:
    explicit TScratchFolder(const std::wstring& path) : TempFolder(zarvo::testing::TExactPath{path}) {}

    std::wstring File(const std::wstring& name) const { return *this / name; }
    // Copies files of the stand-in product into the folder.
    bool CopyProduct(const std::vector<std::wstring>& names) const;
    // Every file of the stand-in product.
    bool CopyWholeProduct() const;
};

// Sets an environment variable of this process (seen by libraries loaded into it) while it lives.
class TScopedEnvironment {
public:
    TScopedEnvironment(const std::wstring& name, const std::wstring& value);
    TScopedEnvironment(const TScopedEnvironment&) = delete;
    TScopedEnvironment& operator=(const TScopedEnvironment&) = delete;
    ~TScopedEnvironment();

private:
    std::wstring name_;
};

// A key of the classes below a hive: "Software\\Classes\\" + key.
std::wstring InClasses(const std::wstring& key);
// Look-ups in the machine's classes (what HKEY_CLASSES_ROOT shows under Wine) or, with HKEY_CURRENT_USER,
// the user's. A string value as stored (REG_SZ only), or nothing.
std::optional<std::wstring> ReadClassesString(const std::wstring& key, const std::wstring& name = {});
std::optional<DWORD> ReadClassesDword(const std::wstring& key, const std::wstring& name);
bool ClassesKeyExists(const std::wstring& key, HKEY hive = HKEY_LOCAL_MACHINE);
void DeleteClassesTree(const std::wstring& key, HKEY hive = HKEY_LOCAL_MACHINE);

std::string Narrow(const std::wstring& text);

} // namespace setuptest
