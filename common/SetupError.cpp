#include "common/Text.h"
#include "common/SetupError.h"
#include "common/CommonTexts.h"

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

ESetupError::ESetupError(std::wstring message) : message_(std::move(message)), utf8_(WideToUtf8(message_)) {}

std::wstring SystemErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (length != 0 && buffer != nullptr) {
        text.assign(buffer, length);
        LocalFree(buffer);
        while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
            text.pop_back();
    }
    if (text.empty()) {
        text = TextErrorCode + DecimalText(code);
    }
    return text;
}

std::wstring CurrentExceptionMessage() {
    try {
        throw;
    } catch (const ESetupError& error) {
        return error.Message();
    } catch (const std::exception& error) {
        return Utf8ToWide(error.what());
    } catch (...) {
        return TextUnknownError;
    }
}

void RaiseLastError(const std::wstring& prefix) {
    DWORD code = GetLastError();
    throw ESetupError(prefix + SystemErrorText(code));
}

void RaiseFileError(const std::wstring& what, const std::wstring& fileName) {
    RaiseLastError(what + L"\"" + fileName + L"\". ");
}

} // namespace zarvo
