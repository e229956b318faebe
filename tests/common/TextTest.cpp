#include "common/LoadGuard.h"
#include "common/Text.h"

#include <gtest/gtest.h>

using namespace zarvo;

TEST(Text, CaseFoldsCyrillicByTheLocale) {
    EXPECT_EQ(UpperCase(L"c:\\программы\\zarvo\\tornel.dll"), L"C:\\ПРОГРАММЫ\\ZARVO\\TORNEL.DLL");
    EXPECT_EQ(UpperCase(L"ёжик"), L"ЁЖИК");
    EXPECT_EQ(UpperCase(L""), L"");
    EXPECT_TRUE(SameText(L"/Auto", L"/aUTO"));
    EXPECT_TRUE(SameText(L"Вирдана", L"ВИРДАНА"));
    EXPECT_FALSE(SameText(L"/auto", L"/autos"));
    EXPECT_FALSE(SameText(L"/auto", L"-auto"));
}

TEST(LoadGuard, RestoresTheControlWordAndTheErrorMode) {
    auto controlWord = [] {
        unsigned short word = 0;
        asm volatile("fnstcw %0" : "=m"(word));
        return word;
    };
    unsigned short before = controlWord();
    UINT modeBefore = SetErrorMode(0);
    SetErrorMode(modeBefore);
    {
        TLoadGuard guard;
        EXPECT_EQ(SetErrorMode(SEM_FAILCRITICALERRORS), UINT(SEM_FAILCRITICALERRORS));
        unsigned short changed = 0x007f;
        asm volatile("fldcw %0" : : "m"(changed));
        EXPECT_EQ(controlWord(), 0x007f);
    }
    EXPECT_EQ(controlWord(), before);
    EXPECT_EQ(SetErrorMode(modeBefore), modeBefore);
}
