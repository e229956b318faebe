// What killed runs left staged goes with the next run; what only shares the name's start is the user's.

#include "archive/StagingFolder.h"
#include "common/SetupError.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

using namespace zarvo;
using namespace zarvo::testing;

namespace {

TEST(LeftStaging, OnlyFoldersOfTheGeneratedNamesGo) {
    TempFolder parent;
    const struct {
        const wchar_t* name;
        bool folder;
        bool goes;
    } cases[] = {
        {L"ZarvoUnpack-99-1234-0", true, true},    {L"ZarvoUnpack-notes.txt", false, false},
        {L"ZarvoUnpack-1-2-3", false, false}, // a file, whatever its name
        {L"ZarvoUnpack-x", true, false},           {L"ZarvoUnpack-99-1234", true, false},
        {L"ZarvoUnpack-99-1234-0-1", true, false}, {L"ZarvoUnpack-1-2-3x", true, false},
    };
    for (const auto& test : cases) {
        const std::wstring path = parent / test.name;
        if (test.folder) {
            ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
            ASSERT_TRUE(WriteTextFile(path + L"\\3", "staged"));
            SetFileAttributesW((path + L"\\3").c_str(), FILE_ATTRIBUTE_READONLY);
        } else {
            ASSERT_TRUE(WriteTextFile(path, "the user's"));
        }
    }
    TFailure failure;
    RemoveLeftStaging(THeldFolder::Open(parent.Path(), failure));
    for (const auto& test : cases)
        EXPECT_EQ(PathExists(parent / test.name), !test.goes) << WideToUtf8(test.name);
}

} // namespace
