#include "common/CommonUtils.h"

#include <gtest/gtest.h>

using namespace zarvo;

TEST(Startup, FillsTheUnitStateClearsTheSlotsAndShutdownClearsItAgain) {
    OnReportError = [](const std::wstring&, const std::wstring&) {
    };
    OnReportInfo = [](const std::wstring&, const std::wstring&) {
    };
    ASSERT_NO_THROW(CommonUtilsStartup());

    EXPECT_FALSE(OnReportError);
    EXPECT_FALSE(OnReportInfo);

    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(ModulePath, self);
    EXPECT_EQ(ModuleVersionText, L"версия 1.2.0.15 от " + FormatShortDate(GetFileDate(self)));

    // The low-fragmentation heap was asked for; whatever the system answers is described.
    ASSERT_NE(HeapQueryInformationFn, nullptr);
    EXPECT_TRUE(HeapInfoText == L"the heap is a standard heap that does not support look-asides" ||
                HeapInfoText == L"the heap supports look-asides" ||
                HeapInfoText == L"the heap is a low-fragmentation heap (LFH)" || HeapInfoText.empty());
    ULONG mode = 99;
    ASSERT_TRUE(
        HeapQueryInformationFn(GetProcessHeap(), HeapCompatibilityInformation, &mode, sizeof(mode), nullptr));
    EXPECT_EQ(mode, HeapCompatibility);

    ASSERT_NE(UuidCreateFn, nullptr);
    GUID first{}, second{};
    EXPECT_EQ(UuidCreateFn(&first), 0);
    EXPECT_EQ(UuidCreateFn(&second), 0);
    EXPECT_NE(memcmp(&first, &second, sizeof(GUID)), 0);
    ASSERT_NE(StrCmpLogicalWFn, nullptr);
    EXPECT_LT(StrCmpLogicalWFn(L"file2", L"file10"), 0);

    CommonUtilsShutdown();
    EXPECT_EQ(ModulePath, L"");
    EXPECT_EQ(ModuleVersionText, L"");
    EXPECT_EQ(HeapInfoText, L"");
    EXPECT_EQ(UuidCreateFn, nullptr);
}
