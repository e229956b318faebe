#include "common/CommonUtils.h"

#include <gtest/gtest.h>

using namespace zarvo;

TEST(CodePages, TestsRunWithTheRussianCodePages) {
    EXPECT_EQ(GetACP(), 1251u);
    EXPECT_EQ(GetOEMCP(), 866u);
}

TEST(CodePages, OemToAnsiConvertsOemCyrillicAndKeepsAscii) {
    // "Вирдана.exe" in CP866.
    EXPECT_EQ(OemToAnsi("\x82\xa8\xe0\xa4\xa0\xad\xa0.exe"), L"Вирдана.exe");
    EXPECT_EQ(OemToAnsi("Dist\\Orvan.exe"), L"Dist\\Orvan.exe");
    EXPECT_EQ(OemToAnsi(""), L"");
    // Box drawing and the letter Ё live in the upper half of CP866 too.
    EXPECT_EQ(OemToAnsi("\xf0\xc4"), L"Ё─");
}

TEST(CodePages, TextToOemRoundTripsAndRefusesWhatTheCodePageCannotHold) {
    std::string oem = "unchanged";
    ASSERT_TRUE(TextToOem(L"Dist\\Справка.txt", oem));
    EXPECT_EQ(oem, "Dist\\\x91\xaf\xe0\xa0\xa2\xaa\xa0.txt");
    EXPECT_EQ(OemToAnsi(oem), L"Dist\\Справка.txt");

    oem = "unchanged";
    EXPECT_FALSE(TextToOem(L"日本.txt", oem));
    EXPECT_EQ(oem, "unchanged");
}
