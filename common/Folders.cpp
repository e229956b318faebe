#include "common/Folders.h"
#include "common/PathText.h"

#include "extract/SafeName.h"

#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include <vector>

namespace zarvo {

namespace {

// Asks a "fill this buffer" API, growing the buffer when the answer says it needs more room.
template <typename Query> std::wstring QueryFolder(Query query) {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    UINT length = query(UINT(buffer.size()), buffer.data());
    if (length >= buffer.size()) {
        buffer.resize(length + 1);
        length = query(UINT(buffer.size()), buffer.data());
        if (length >= buffer.size())
            length = 0;
    }
    std::wstring folder(buffer.data(), length);
    if (folder.empty() || folder.back() != L'\\')
        folder += L'\\';
    return folder;
}

// The drive part of a path: "S:" or "\\server\share"; empty for any other path.
std::wstring DrivePart(const std::wstring& path) {
    if (path.size() >= 2 && path[1] == L':')
        return path.substr(0, 2);
    if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
        size_t server = path.find(L'\\', 2);
        if (server == std::wstring::npos)
            return path;
        size_t share = path.find(L'\\', server + 1);
        return path.substr(0, share);
    }
    return {};
}

} // namespace

std::wstring GetTempFolder() {
    return QueryFolder([](UINT size, wchar_t* buffer) { return UINT(GetTempPathW(size, buffer)); });
}

std::wstring GetSystemFolder() {
    return QueryFolder([](UINT size, wchar_t* buffer) { return GetSystemDirectoryW(buffer, size); });
}

std::wstring GetWindowsFolder() {
    return QueryFolder([](UINT size, wchar_t* buffer) { return GetSystemWindowsDirectoryW(buffer, size); });
}

TLocalMemory SecurityDescriptorFrom(const wchar_t* sddl) {
    TLocalMemory descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, descriptor.Receive(),
                                                              nullptr))
        descriptor.Reset();
    return descriptor;
}

bool CreateFolderWithAccess(const std::wstring& folder, const wchar_t* sddl) {
    const TLocalMemory descriptor = SecurityDescriptorFrom(sddl);
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.Get(), FALSE};
    return descriptor && CreateDirectoryW(folder.c_str(), &attributes);
}

bool SetFolderAccess(HANDLE folder, const wchar_t* sddl) {
    const TLocalMemory descriptor = SecurityDescriptorFrom(sddl);
    PACL access = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    if (!descriptor || !GetSecurityDescriptorDacl(descriptor.Get(), &present, &access, &defaulted))
        return false;
    const DWORD result = SetSecurityInfo(folder, SE_FILE_OBJECT,
                                         DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                         nullptr, nullptr, access, nullptr);
    SetLastError(result);
    return result == ERROR_SUCCESS;
}

std::wstring ResolveSubstPath(const std::wstring& path) {
    std::wstring drive = DrivePart(path);
    if (drive.empty())
        return path;
    // A substitution can point at a long folder; give it room rather than miss it.
    std::vector<wchar_t> target(4 * MAX_PATH);
    if (QueryDosDeviceW(drive.c_str(), target.data(), DWORD(target.size())) == 0)
        return path;
    std::wstring first(target.data()); // the first string of the answer
    const std::wstring substPrefix = L"\\??\\";
    if (first.compare(0, substPrefix.size(), substPrefix) != 0)
        return path;
    return first.substr(substPrefix.size()) + path.substr(2);
}

bool DirectoryExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool ForceDirectories(const std::wstring& folder) {
    std::wstring path = folder;
    while (path.size() > 1 && (path.back() == L'\\' || path.back() == L'/'))
        path.pop_back();
    if (path.empty())
        return false;
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return DirectoryExists(path);
    // A drive root or a share has no parent to make; the folder itself then fails below.
    const std::wstring parent = ParentFolder(path);
    if (!parent.empty() && !IsRootPath(parent) && !ForceDirectories(parent))
        return false;
    return CreateDirectoryW(path.c_str(), nullptr) || DirectoryExists(path);
}

bool StaysInsideFolder(const std::wstring& name) {
    // The extraction library's own rule, so that the names the installer joins itself pass exactly where
    // the library would write them.
    return rarlib::isSafeRelativeName(std::u16string(name.begin(), name.end()));
}

} // namespace zarvo
