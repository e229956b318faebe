#include "engine/StartupFiles.h"
#include "common/CodePages.h"
#include "common/CommonTexts.h"

#include "common/Handles.h"
#include "common/SetupError.h"

namespace zarvo {

std::vector<std::wstring> SplitDistList(const std::string& oemText) {
    std::vector<std::wstring> lines;
    size_t position = 0;
    while (position < oemText.size()) {
        size_t end = oemText.find_first_of("\r\n", position);
        if (end == std::string::npos)
            end = oemText.size();
        lines.push_back(OemToAnsi(oemText.substr(position, end - position)));
        position = end;
        if (position < oemText.size() && oemText[position] == '\r')
            ++position;
        if (position < oemText.size() && oemText[position] == '\n')
            ++position;
    }
    return lines;
}

THandle HoldFile(const std::wstring& fileName) {
    return THandle(CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool HeldFileEquals(HANDLE file, std::string_view expected) {
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
        return false;
    std::string chunk(64 * 1024, '\0');
    size_t done = 0;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, chunk.data(), DWORD(chunk.size()), &read, nullptr))
            return false;
        if (read == 0)
            return done == expected.size();
        if (expected.substr(done, read) != std::string_view(chunk.data(), read))
            return false;
        done += read;
    }
}

std::string ReadHeldFile(HANDLE file, const std::wstring& fileName) {
    LARGE_INTEGER size{}, start{};
    if (!GetFileSizeEx(file, &size) || !SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
        RaiseFileError(TextCannotReadFile, fileName);
    // The list names a few dozen files; anything near this size is not a distribution list.
    if (size.QuadPart > 64 * 1024 * 1024) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        RaiseFileError(TextCannotReadFile, fileName);
    }
    std::string bytes(size_t(size.QuadPart), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD read = 0;
        if (!ReadFile(file, bytes.data() + done, DWORD(bytes.size() - done), &read, nullptr))
            RaiseFileError(TextCannotReadFile, fileName);
        if (read == 0)
            break;
        done += read;
    }
    bytes.resize(done);
    return bytes;
}

} // namespace zarvo
