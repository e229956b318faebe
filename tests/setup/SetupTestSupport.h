#pragma once
// What the SetupUtils tests share: product files, child processes, answered message boxes, recorded
// reports, scratch folders and registry look-ups.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "common/Handles.h"

namespace setuptest {

// A file of the stand-in product (below Dist).
std::wstring ProductFile(const std::wstring& name);

// A program started by the test and ended by it at the latest when the object goes away.
class TChildProcess {
public:
    TChildProcess() = default;
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;
    ~TChildProcess();

    // Starts the program and waits (up to 30 s) until it shows a top-level window with the title.
    bool StartWithWindow(const std::wstring& program, const std::wstring& arguments,
                         const std::wstring& title);
    HWND Window() const { return window_; }
    bool Running() const;
    // Waits for the program to end; its exit code, or nothing when it is still running after timeoutMs.
    std::optional<DWORD> WaitForExit(DWORD timeoutMs) const;
    void Terminate();

private:
    zarvo::THandle process_;
    HWND window_ = nullptr;
};

// Answers the program's message boxes instead of showing them and records what was asked.
class TMessageBoxAnswers {
public:
    struct TBox {
        std::wstring text;
        std::wstring caption;
        UINT flags;
    };

    explicit TMessageBoxAnswers(int answer);
    TMessageBoxAnswers(const TMessageBoxAnswers&) = delete;
    TMessageBoxAnswers& operator=(const TMessageBoxAnswers&) = delete;
    ~TMessageBoxAnswers();

    static const std::vector<TBox>& Boxes();
    static void SetAnswer(int answer);
};

// Collects ReportError / ReportInfo while it lives.
class TReportLog {
public:
    struct TReport {
        bool error;
        std::wstring text;
        std::wstring caption;
        bool operator==(const TReport&) const = default;
    };

    TReportLog();
    TReportLog(const TReportLog&) = delete;
    TReportLog& operator=(const TReportLog&) = delete;
    ~TReportLog();

    const std::vector<TReport>& Reports() const { return reports_; }
    void Clear() { reports_.clear(); }
    // Every report's text, for readable failure output.
    std::wstring Dump() const;

private:
    std::vector<TReport> reports_;
};

// A fresh folder that is removed with everything in it when the object goes away.
class TScratchFolder {
public:
    explicit TScratchFolder(const std::wstring& path);
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;
    ~TScratchFolder();

    const std::wstring& Path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }
    // Copies files of the stand-in product into the folder.
    bool CopyProduct(const std::vector<std::wstring>& names) const;
    // Every file of the stand-in product.
    bool CopyWholeProduct() const;

private:
    std::wstring path_;
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

bool RemoveFolderTree(const std::wstring& path);
bool FileExists(const std::wstring& path);
// Names of the entries of a folder (no "." and ".."), sorted.
std::vector<std::wstring> FolderEntries(const std::wstring& folder);

// HKEY_CLASSES_ROOT look-ups. A string value as stored (REG_SZ only), or nothing.
std::optional<std::wstring> ReadClassesString(const std::wstring& key, const std::wstring& name = {});
std::optional<DWORD> ReadClassesDword(const std::wstring& key, const std::wstring& name);
bool ClassesKeyExists(const std::wstring& key);
void DeleteClassesTree(const std::wstring& key);

std::string Narrow(const std::wstring& text);

} // namespace setuptest
