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

TEST(Text, DecimalTextWritesDigitsPaddedToTheWidth) {
    struct TCase {
        int64_t value;
        int width;
        const wchar_t* text;
    } cases[] = {
        {0, 1, L"0"},
        {7, 2, L"07"},
        {2026, 4, L"2026"},
        {12345, 2, L"12345"},
        {-42, 1, L"-42"},
        {-5, 3, L"-005"},
        {INT64_MIN, 1, L"-9223372036854775808"},
    };
    for (const TCase& test : cases)
        EXPECT_EQ(zarvo::DecimalText(test.value, test.width), test.text) << test.value;
}
