#pragma once
// The project's exception type and system error texts.

#include <windows.h>

#include <exception>
#include <string>

namespace zarvo {

// An error raised where a step cannot go on. Carries a wide message for the user;
// what() gives the same text in UTF-8 for test output and diagnostics.
class ESetupError : public std::exception {
public:
    explicit ESetupError(std::wstring message);
    const std::wstring& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return utf8_.c_str(); }

private:
    std::wstring message_;
    std::string utf8_;
};

// The system's description of an error code (FormatMessageW), without the trailing line break.
// HRESULTs are accepted as well. An unknown code gives "Error <code>".
std::wstring SystemErrorText(DWORD code);

// The message of the exception being handled, as the user sees it. Call it inside a catch block only.
std::wstring CurrentExceptionMessage();

// Raises ESetupError with prefix followed by the text of GetLastError().
[[noreturn]] void RaiseLastError(const std::wstring& prefix = {});
// Raises ESetupError with what, the file's name in quotes and the text of GetLastError(), as every
// message about a file reads.
[[noreturn]] void RaiseFileError(const std::wstring& what, const std::wstring& fileName);

std::string WideToUtf8(const std::wstring& text);
std::wstring Utf8ToWide(const std::string& text);

} // namespace zarvo
