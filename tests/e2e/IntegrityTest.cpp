// A download damaged in one byte, run silently over a working installation: the program refuses it before
// it writes anything, and the installation stays as it was, file for file.

#include "Driver.h"
#include "MachineState.h"

#include "common/Handles.h"
#include "common/PathText.h"
#include "common/SetupError.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>

using namespace zarvo;
using namespace zarvo::e2e;
using namespace zarvo::testing;

namespace {

// Where an RCDATA resource lies in a program file: the program mapped as a flat data file.
bool ResourceExtent(const std::wstring& program, const wchar_t* name, size_t& offset, size_t& size) {
    HMODULE module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC info = module ? FindResourceW(module, name, RT_RCDATA) : nullptr;
    const void* bytes = info ? LockResource(LoadResource(module, info)) : nullptr;
    if (bytes) {
        offset = static_cast<const BYTE*>(bytes) -
                 reinterpret_cast<const BYTE*>(uintptr_t(module) & ~uintptr_t(3));
        size = SizeofResource(module, info);
    }
    if (module)
        FreeLibrary(module);
    return bytes != nullptr;
}

// Each file of a folder with what tells a rewritten or replaced one: its number, size and write time.
using TFilePicture = std::map<std::wstring, std::tuple<uint64_t, uint64_t, uint64_t>>;

TFilePicture PictureOf(const std::wstring& folder, const std::wstring& passOver = L"") {
    TFilePicture picture;
    WIN32_FIND_DATAW data;
    TFindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    while (find) {
        const std::wstring name = data.cFileName;
        BY_HANDLE_FILE_INFORMATION info{};
        const THandle file(CreateFileW((folder + L"\\" + name).c_str(), FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (name != L"." && name != L".." && name != passOver && file &&
            GetFileInformationByHandle(file.Get(), &info))
            picture[name] = {uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow,
                             uint64_t(info.nFileSizeHigh) << 32 | info.nFileSizeLow,
                             uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32 |
                                 info.ftLastWriteTime.dwLowDateTime};
        if (!FindNextFileW(find.Get(), &data))
            break;
    }
    return picture;
}

std::wstring SystemTemp() {
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + L"\\Temp";
}

TEST(Integrity, ADamagedDownloadChangesNothing) {
    const std::wstring program = SetupExePath(), folder = DefaultInstallFolder();
    ClearMachine({folder});
    ASSERT_EQ(RunToEnd(program, L"/silent"), 0);
    const std::string original = ReadBinaryFile(program);
    size_t payload = 0, payloadSize = 0, library = 0, librarySize = 0;
    ASSERT_TRUE(ResourceExtent(program, L"SETUPZARVO_RAR", payload, payloadSize));
    ASSERT_TRUE(ResourceExtent(program, L"UNRAR_DLL", library, librarySize));
    // The bytes found are the payload's own: it begins with the archive's signature.
    ASSERT_EQ(original.substr(payload, 4), "Rar!");

    TempFolder work(L"zarvo-damaged");
    const std::wstring userTemp = ParentFolder(work.Path());
    const struct {
        const char* name;
        size_t at;
    } places[] = {
        {"payload start", payload},
        {"payload middle", payload + payloadSize / 2},
        {"payload end", payload + payloadSize - 1},
        {"library middle", library + librarySize / 2},
    };
    for (const auto& place : places) {
        SCOPED_TRACE(place.name);
        std::string damaged = original;
        damaged[place.at] = char(damaged[place.at] ^ 0x5A);
        const std::wstring copy = work / (Utf8ToWide(place.name) + L".exe"), log = copy + L".log";
        ASSERT_TRUE(WriteTextFile(copy, damaged));
        const TFilePicture installed = PictureOf(folder), temp = PictureOf(userTemp, FileNameOf(work.Path())),
                           systemTemp = PictureOf(SystemTemp());

        EXPECT_EQ(RunToEnd(copy, L"/silent \"/log=" + log + L"\""), 2);
        EXPECT_NE(ReadBinaryFile(log).find(WideToUtf8(L"Файл установки повреждён")), std::string::npos)
            << ReadBinaryFile(log);
        EXPECT_EQ(PictureOf(folder), installed);
        EXPECT_EQ(PictureOf(userTemp, FileNameOf(work.Path())), temp);
        EXPECT_EQ(PictureOf(SystemTemp()), systemTemp);
    }
    ASSERT_EQ(RunToEnd(program, L"/silent /remove"), 0);
    ClearMachine({folder});
}

} // namespace
