#pragma once
// A file's bytes, mapped for reading from a handle the caller opened.

#include "common/Handles.h"

#include <string_view>

namespace zarvo {

class TMappedFile {
public:
    // Empty when the handle is invalid, the file is empty or cannot be mapped.
    explicit TMappedFile(THandle file);
    std::string_view Bytes() const { return bytes_; }

private:
    THandle file_;
    THandle mapping_;
    TFileView view_;
    std::string_view bytes_;
};

} // namespace zarvo
