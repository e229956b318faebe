#include "common/FileInfo.h"
#include "common/CommonTexts.h"

#include "common/Libraries.h"

#include "common/Handles.h"
#include "common/SetupError.h"

#include <oleauto.h>

#include <type_traits>
#include <vector>

namespace zarvo {

namespace {

// Finds a plain file (not a folder) and returns its directory entry.
bool FindPlainFile(const std::wstring& fileName, WIN32_FIND_DATAW& data) {
    TFindHandle find(FindFirstFileW(fileName.c_str(), &data));
    return find.Valid() && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The version functions live in a library the program does not import, so that no copy of it beside the
// executable is ever loaded; it comes from the system folder, at start-up so that threads asking at
// once need no guard.
struct TVersionFunctions {
    decltype(&GetFileVersionInfoSizeW) infoSize = nullptr;
    decltype(&GetFileVersionInfoW) info = nullptr;
    decltype(&VerQueryValueW) query = nullptr;
};

const TModule VersionLibrary(LoadSystemLibrary(L"version.dll"));
const TVersionFunctions VersionFunctionTable = [] {
    TVersionFunctions bound;
    auto bind = [](auto& target, const char* name) {
        target = reinterpret_cast<std::remove_reference_t<decltype(target)>>(
            reinterpret_cast<void*>(GetProcAddress(VersionLibrary.Get(), name)));
    };
    if (VersionLibrary.Valid()) {
        bind(bound.infoSize, "GetFileVersionInfoSizeW");
        bind(bound.info, "GetFileVersionInfoW");
        bind(bound.query, "VerQueryValueW");
    }
    return bound;
}();

const TVersionFunctions& VersionFunctions() {
    return VersionFunctionTable;
}

// The file's whole version block; empty when it has none.
std::vector<BYTE> ReadVersionBlock(const std::wstring& fileName) {
    const TVersionFunctions& version = VersionFunctions();
    if (version.infoSize == nullptr || version.info == nullptr || version.query == nullptr)
        return {};
    DWORD handle = 0;
    DWORD size = version.infoSize(fileName.c_str(), &handle);
    std::vector<BYTE> block(size);
    if (size == 0 || !version.info(fileName.c_str(), 0, size, block.data()))
        return {};
    return block;
}

// Four hexadecimal digits, as the version block names its translations.
std::wstring Hex4(unsigned value) {
    std::wstring text(4, L'0');
    for (int digit = 3; digit >= 0; --digit, value >>= 4)
        text[size_t(digit)] = L"0123456789abcdef"[value & 15];
    return text;
}

} // namespace

TDateTime GetFileDate(const std::wstring& fileName) {
    WIN32_FIND_DATAW data;
    if (!FindPlainFile(fileName, data))
        return 0;
    FILETIME local;
    WORD dosDate = 0, dosTime = 0;
    if (!FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
        !FileTimeToDosDateTime(&local, &dosDate, &dosTime))
        return 0;
    double value = 0;
    if (!DosDateTimeToVariantTime(dosDate, dosTime, &value))
        return 0;
    return value;
}

int64_t GetFileWriteTime(const std::wstring& fileName) {
    WIN32_FIND_DATAW data;
    if (!FindPlainFile(fileName, data))
        return 0;
    THandle file(CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        RaiseFileError(TextCannotOpenFile, fileName);
    // 0 stands for "no such file": a file that is there but will not tell its time is an error, not that.
    FILETIME creation, access, write;
    if (!GetFileTime(file.Get(), &creation, &access, &write))
        RaiseFileError(TextCannotReadFile, fileName);
    return int64_t((uint64_t(write.dwHighDateTime) << 32) | write.dwLowDateTime);
}

bool ReadFileVersion(const std::wstring& fileName, uint16_t& major, uint16_t& minor, uint16_t& release,
                     uint16_t& build) {
    const TVersionFunctions& version = VersionFunctions();
    std::vector<BYTE> block = ReadVersionBlock(fileName);
    if (block.empty())
        return false;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoSize = 0;
    if (!version.query(block.data(), L"\\", reinterpret_cast<void**>(&info), &infoSize) || info == nullptr ||
        infoSize < sizeof(VS_FIXEDFILEINFO))
        return false;
    major = HIWORD(info->dwFileVersionMS);
    minor = LOWORD(info->dwFileVersionMS);
    release = HIWORD(info->dwFileVersionLS);
    build = LOWORD(info->dwFileVersionLS);
    return true;
}

std::wstring ReadVersionString(const std::wstring& fileName, const std::wstring& name) {
    std::vector<BYTE> block = ReadVersionBlock(fileName);
    WORD* translation = nullptr;
    UINT length = 0;
    if (block.empty() ||
        !VersionFunctions().query(block.data(), L"\\VarFileInfo\\Translation",
                                  reinterpret_cast<void**>(&translation), &length) ||
        translation == nullptr || length < 2 * sizeof(WORD))
        return {};
    const std::wstring path =
        L"\\StringFileInfo\\" + Hex4(translation[0]) + Hex4(translation[1]) + L"\\" + name;
    wchar_t* text = nullptr;
    if (!VersionFunctions().query(block.data(), path.c_str(), reinterpret_cast<void**>(&text), &length) ||
        text == nullptr)
        return {};
    // The length counts the terminating zero, where there is one.
    std::wstring value(text, length);
    while (!value.empty() && value.back() == L'\0')
        value.pop_back();
    return value;
}

} // namespace zarvo
