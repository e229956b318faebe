#include "archive/UnRAR.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

using namespace zarvo;
using zarvo::testing::ProgramFolder;

namespace {

unsigned short ControlWord() {
    unsigned short word = 0;
    asm volatile("fnstcw %0" : "=m"(word));
    return word;
}

} // namespace

TEST(UnRAR, BindsAllNineEntryPointsOfTheRealLibrary) {
    ASSERT_TRUE(LoadRarLibrary(ProgramFolder() + L"\\Unrar.dll"));
    const TRarLibrary& lib = RarLibrary;
    for (const void* entry :
         {(void*)lib.GetDllVersion, (void*)lib.OpenArchive, (void*)lib.OpenArchiveEx, (void*)lib.CloseArchive,
          (void*)lib.ReadHeader, (void*)lib.ReadHeaderEx, (void*)lib.ProcessFile, (void*)lib.SetCallback,
          (void*)lib.SetPassword, (void*)lib.ProcessFileW})
        EXPECT_NE(entry, nullptr);
    EXPECT_GE(lib.GetDllVersion(), 4);
    FreeRarLibrary();
    EXPECT_EQ(RarLibrary.OpenArchive, nullptr);
}

TEST(UnRAR, AMissingFileIsRefusedWithoutAnErrorBox) {
    UINT before = SetErrorMode(0);
    SetErrorMode(before);
    EXPECT_FALSE(LoadRarLibrary(ProgramFolder() + L"\\NoSuchUnrar.dll"));
    EXPECT_EQ(SetErrorMode(before), before);
    FreeRarLibrary();
}

TEST(UnRAR, ALibraryWithoutSetPasswordIsRefusedAndItsControlWordUndone) {
    unsigned short before = ControlWord();
    UINT modeBefore = SetErrorMode(0);
    SetErrorMode(modeBefore);

    EXPECT_FALSE(LoadRarLibrary(ProgramFolder() + L"\\rar_without_password.dll"));
    EXPECT_EQ(ControlWord(), before);
    EXPECT_EQ(SetErrorMode(modeBefore), modeBefore);
    // Entry points found before the missing one stay bound.
    EXPECT_NE(RarLibrary.SetCallback, nullptr);
    EXPECT_NE(RarLibrary.ProcessFile, nullptr);
    EXPECT_EQ(RarLibrary.SetPassword, nullptr);
    FreeRarLibrary();
}
