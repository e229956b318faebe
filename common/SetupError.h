#pragma once
// The project's exception type and system error texts.

#include "common/Failure.h"

#include <windows.h>

#include <exception>
#include <string>

namespace zarvo {

// An error raised where a step cannot go on. Carries a wide message for the user;
// what() gives the same text in UTF-8 for test output and diagnostics.
class ESetupError : public std::exception {
public:
    // code: the system's, when the system said why.
    explicit ESetupError(std::wstring message, DWORD code = ERROR_SUCCESS);
    const std::wstring& Message() const noexcept { return failure_.text; }
    const TFailure& Failure() const noexcept { return failure_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    TFailure failure_;
    std::string utf8_;
};

// The system's description of an error code (FormatMessageW), without the trailing line break.
// HRESULTs are accepted as well. An unknown code gives "Error <code>".
std::wstring SystemErrorText(DWORD code);

// The exception being handled as a failure: its message as the user sees it, and the system's code when
// it carries one. Call them inside a catch block only.
TFailure CurrentExceptionFailure();
std::wstring CurrentExceptionMessage();

// Raises ESetupError with prefix followed by the text of GetLastError().
[[noreturn]] void RaiseLastError(const std::wstring& prefix = {});
// Raises ESetupError with what, the file's name in quotes and the text of GetLastError(), as every
// message about a file reads.
[[noreturn]] void RaiseFileError(const std::wstring& what, const std::wstring& fileName);

std::string WideToUtf8(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);

} // namespace zarvo
