#include "common/PlainFiles.h"

#include "common/Folders.h"
#include "common/PathText.h"
#include "common/Text.h"

namespace zarvo {

namespace {

// What a handle's final path is compared with: the full path with long names and on the folder a
// substituted drive stands for, which is how the system names an open file.
std::wstring ExpectedFinalPath(const std::wstring& path) {
    std::wstring full = FullPath(path);
    wchar_t longPath[4096];
    DWORD length = GetLongPathNameW(full.c_str(), longPath, DWORD(std::size(longPath)));
    if (length > 0 && length < std::size(longPath))
        full.assign(longPath, length);
    return WithoutTrailingBackslashes(ResolveSubstPath(full));
}

} // namespace

std::wstring FinalPathOf(HANDLE handle) {
    wchar_t buffer[4096];
    DWORD length = GetFinalPathNameByHandleW(handle, buffer, DWORD(std::size(buffer)), VOLUME_NAME_DOS);
    if (length == 0 || length >= std::size(buffer))
        return {};
    std::wstring path(buffer, length);
    if (path.starts_with(L"\\\\?\\UNC\\"))
        path.replace(0, 8, L"\\\\");
    else if (path.starts_with(L"\\\\?\\"))
        path.erase(0, 4);
    return WithoutTrailingBackslashes(path);
}

namespace {

constexpr DWORD NoFollow = FILE_FLAG_OPEN_REPARSE_POINT;

} // namespace

bool IsPlainAt(HANDLE handle, const std::wstring& path) {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) &&
           !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           (info.nNumberOfLinks == 1 || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) &&
           SameText(FinalPathOf(handle), ExpectedFinalPath(path));
}

THandle OpenPlainFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
    flags |= NoFollow;
    access |= FILE_READ_ATTRIBUTES;
    THandle file(CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr));
    bool existed = file.Valid();
    // Made only where no name is: a link that appears meanwhile makes the creation fail, not follow it.
    if (!existed && GetLastError() == ERROR_FILE_NOT_FOUND && disposition != OPEN_EXISTING)
        file.Reset(CreateFileW(path.c_str(), access, share, nullptr, CREATE_NEW, flags, nullptr));
    if (!file)
        return file;
    if (!IsPlainAt(file.Get(), path)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return {};
    }
    if (existed && disposition == CREATE_ALWAYS && !SetEndOfFile(file.Get()))
        return {};
    return file;
}

THandle WritePlainFile(const std::wstring& path, std::string_view bytes) {
    THandle file = OpenPlainFile(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
    DWORD written = 0;
    if (file && (!WriteFile(file.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) ||
                 written != bytes.size()))
        file.Reset();
    return file;
}

bool SetAttributesOf(HANDLE file, DWORD attributes) {
    // Zero times leave the times as they are.
    FILE_BASIC_INFO info{};
    info.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
    return SetFileInformationByHandle(file, FileBasicInfo, &info, sizeof(info)) != 0;
}

bool DeleteThrough(HANDLE file) {
    FILE_DISPOSITION_INFO info{TRUE};
    return SetFileInformationByHandle(file, FileDispositionInfo, &info, sizeof(info)) != 0;
}

bool DeletePlainFile(const std::wstring& path, bool evenReadOnly) {
    THandle file = OpenPlainFile(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    if (!file)
        return false;
    BY_HANDLE_FILE_INFORMATION info{};
    if (evenReadOnly && GetFileInformationByHandle(file.Get(), &info) &&
        (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY))
        SetAttributesOf(file.Get(), FILE_ATTRIBUTE_NORMAL);
    return DeleteThrough(file.Get());
}

} // namespace zarvo
