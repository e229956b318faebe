#include "common/WindowText.h"

#include <gtest/gtest.h>

using namespace zarvo;

TEST(WindowText, ReadsTheWholeTextOfAControl) {
    HWND edit =
        CreateWindowExW(0, L"EDIT", L"", ES_MULTILINE, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(WindowText(edit), L"");
    const std::wstring text = L"Установка Zarvo\r\n" + std::wstring(5000, L'ж');
    SetWindowTextW(edit, text.c_str());
    EXPECT_EQ(WindowText(edit), text);
    DestroyWindow(edit);
}
