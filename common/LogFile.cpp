#include "common/LogFile.h"

#include "common/CommonTexts.h"
#include "common/PlainFiles.h"
#include "common/SetupError.h"

namespace zarvo {

void TLogFile::Append(bool error, const std::wstring& text, const std::wstring& caption) {
    if (name_.empty())
        return;
    if (!tried_) {
        tried_ = true;
        handle_ = OpenPlainFile(name_, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS);
        if (!handle_)
            refusal_ = GetLastError() ? GetLastError() : ERROR_ACCESS_DENIED;
    }
    if (!handle_)
        return;
    SYSTEMTIME now{};
    GetLocalTime(&now);
    // The system's own formatting: no locale, and no C runtime printf in the program.
    wchar_t stamp[32];
    wsprintfW(stamp, L"%04u-%02u-%02u %02u:%02u:%02u ", now.wYear, now.wMonth, now.wDay, now.wHour,
              now.wMinute, now.wSecond);
    std::wstring line = stamp;
    line += error ? TextLogError : TextLogInfo;
    if (error)
        line += caption + L": ";
    line += text + L"\r\n";
    const std::string bytes = WideToUtf8(line);
    DWORD written = 0;
    WriteFile(handle_.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr);
}

} // namespace zarvo
