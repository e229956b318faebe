#include "common/Text.h"
#include "common/SetupError.h"
#include "common/CommonTexts.h"
#include "common/Handles.h"

#include <cwchar>

namespace zarvo {

std::string WideToUtf8(const std::wstring& text) {
    if (text.empty())
        return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), result.data(), size, nullptr, nullptr);
    return result;
}

std::wstring Utf8ToWide(const std::string& text) {
    if (text.empty())
        return {};
    int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring result(size_t(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), result.data(), size);
    return result;
}

ESetupError::ESetupError(std::wstring message, DWORD code)
    : failure_{code, std::move(message)}, utf8_(WideToUtf8(failure_.text)) {}

std::wstring SystemErrorText(DWORD code) {
    TLocalMemory buffer;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<wchar_t*>(buffer.Receive()), 0, nullptr);
    std::wstring text;
    if (length != 0 && buffer) {
        text.assign(static_cast<const wchar_t*>(buffer.Get()), length);
        while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
            text.pop_back();
    }
    if (text.empty()) {
        text = TextErrorCode + DecimalText(code);
    }
    return text;
}

TFailure CurrentExceptionFailure() {
    try {
        throw;
    } catch (const ESetupError& error) {
        return error.Failure();
    } catch (const std::exception& error) {
        return {ERROR_SUCCESS, Utf8ToWide(error.what())};
    } catch (...) {
        return {ERROR_SUCCESS, TextUnknownError};
    }
}

std::wstring CurrentExceptionMessage() {
    return CurrentExceptionFailure().text;
}

void RaiseLastError(const std::wstring& prefix) {
    DWORD code = GetLastError();
    throw ESetupError(prefix + SystemErrorText(code), code);
}

void RaiseFileError(const std::wstring& what, const std::wstring& fileName) {
    RaiseLastError(what + L"\"" + fileName + L"\". ");
}

} // namespace zarvo
