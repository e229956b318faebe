#pragma once
// The file every report is appended to, one line each with its time and status, in UTF-8.

#include "common/Handles.h"

#include <string>

namespace zarvo {

class TLogFile {
public:
    // Empty: no file; reports are appended nowhere.
    explicit TLogFile(std::wstring name = {}) noexcept : name_(std::move(name)) {}
    TLogFile(const TLogFile&) = delete;
    TLogFile& operator=(const TLogFile&) = delete;

    const std::wstring& Name() const noexcept { return name_; }
    // Opened as itself at the first line and kept: a file swapped for a link afterwards is never opened,
    // and nobody renames, replaces or deletes it meanwhile. Other setups append to the same file. A file
    // that cannot be opened never stops what is being reported.
    void Append(bool error, const std::wstring& text, const std::wstring& caption);
    // Why the file could not be opened, the first time it is asked; 0 otherwise.
    DWORD TakeRefusal() noexcept { return std::exchange(refusal_, 0); }

private:
    std::wstring name_;
    THandle handle_;
    bool tried_ = false;
    DWORD refusal_ = 0;
};

} // namespace zarvo
