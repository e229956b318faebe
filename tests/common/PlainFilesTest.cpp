#include "common/PlainFiles.h"
#include "common/SetupError.h"
#include "tests/support/Links.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>

using namespace zarvo;
using zarvo::testing::MakeSymbolicLink;
using zarvo::testing::ReadBinaryFile;
using zarvo::testing::RemoveSymbolicLink;
using zarvo::testing::TempFolder;
using zarvo::testing::WriteTextFile;

namespace {

// Each way the program writes or deletes a file in a folder that others can write; true when it did.
struct TOperation {
    const char* name;
    std::function<bool(const std::wstring& path)> run;
};

const TOperation Operations[] = {
    {"create or empty",
     [](const std::wstring& path) {
         return OpenPlainFile(path, GENERIC_WRITE, 0, CREATE_ALWAYS).Valid();
     }},
    {"append",
     [](const std::wstring& path) {
         THandle file = OpenPlainFile(path, FILE_APPEND_DATA, FILE_SHARE_READ, OPEN_ALWAYS);
         DWORD written = 0;
         return file && WriteFile(file.Get(), "appended", 8, &written, nullptr);
     }},
    {"write whole",
     [](const std::wstring& path) {
         return WritePlainFile(path, "written").Valid();
     }},
    {"delete",
     [](const std::wstring& path) {
         return DeletePlainFile(path, true);
     }},
};

} // namespace

// A link put where the program writes or deletes, to a file of someone else's choosing, a second name of
// such a file, or a folder on the way swapped for a link: every operation refuses, and the file it would
// have reached stays as it was. (Every run writes and deletes plain files through the same calls.)
TEST(PlainFiles, ALinkASecondNameOrARedirectedFolderIsRefusedAndWhatItLeadsToKept) {
    TempFolder folder;
    const std::wstring real = folder / L"real";
    ASSERT_TRUE(CreateDirectoryW(real.c_str(), nullptr));
    const std::wstring victim = real + L"\\victim.txt";
    ASSERT_TRUE(WriteTextFile(victim, "victim"));
    const std::wstring link = folder / L"link.txt", second = folder / L"second.txt",
                       linked = folder / L"linked";
    ASSERT_TRUE(MakeSymbolicLink(victim, link));
    ASSERT_TRUE(CreateHardLinkW(second.c_str(), victim.c_str(), nullptr));
    ASSERT_TRUE(MakeSymbolicLink(real, linked));
    for (const std::wstring& path : {link, second, linked + L"\\victim.txt"}) {
        for (const TOperation& operation : Operations) {
            SCOPED_TRACE(WideToUtf8(path) + ", " + operation.name);
            SetLastError(0);
            EXPECT_FALSE(operation.run(path));
            EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
            EXPECT_EQ(ReadBinaryFile(victim), "victim");
        }
    }
    EXPECT_TRUE(RemoveSymbolicLink(link));
    EXPECT_TRUE(RemoveSymbolicLink(linked));
    ASSERT_TRUE(DeleteFileW(second.c_str()));
}

// A name that leads nowhere yet is not created through, and a device is not a file.
TEST(PlainFiles, NothingIsCreatedThroughADanglingLinkAndADeviceIsRefused) {
    TempFolder folder;
    const std::wstring target = folder / L"target.txt";
    const std::wstring link = folder / L"dangling.txt";
    ASSERT_TRUE(WriteTextFile(target, "soon gone"));
    ASSERT_TRUE(MakeSymbolicLink(target, link));
    ASSERT_TRUE(DeleteFileW(target.c_str()));
    for (DWORD disposition : {DWORD(OPEN_ALWAYS), DWORD(CREATE_ALWAYS)})
        EXPECT_FALSE(OpenPlainFile(link, GENERIC_WRITE, 0, disposition)) << disposition;
    EXPECT_FALSE(zarvo::testing::PathExists(target));
    ASSERT_TRUE(WriteTextFile(target, "back"));
    EXPECT_TRUE(RemoveSymbolicLink(link));

    EXPECT_FALSE(OpenPlainFile(L"\\\\.\\NUL", GENERIC_WRITE, FILE_SHARE_WRITE, OPEN_EXISTING));
}
