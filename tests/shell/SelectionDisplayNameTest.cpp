#include "shell/SelectionDisplayName.h"

#include "common/SetupError.h"

#include <gtest/gtest.h>

using namespace zarvo;

namespace {

struct TNameCase {
    const wchar_t *folder, *shellName, *expected;
};

// The shell's names under Wine are never the whole path, so the rule is checked here with names as
// Windows gives them for some items.
const TNameCase NameCases[] = {
    {L"C:\\Program Files\\Zarvo", L"Zarvo", L"Zarvo"},
    {L"C:\\Program Files\\Zarvo", L"C:\\Program Files\\Zarvo", L"Zarvo"},
    {L"C:\\Program Files\\Вирдана", L"c:\\program files\\вирдана", L"Вирдана"},
    {L"C:\\Program Files\\Zarvo", L"", L"Zarvo"},
    {L"C:\\", L"", L"C:\\"},
    {L"\\\\server\\share\\", L"\\\\server\\share\\", L"\\\\server\\share\\"},
    {L"", L"Мой компьютер", L"Мой компьютер"},
    {L"", L"", L""},
};

TEST(SelectionDisplayName, IsTheShellsNameOrTheLastComponentOfThePath) {
    for (const TNameCase& test : NameCases)
        EXPECT_EQ(SelectionDisplayName(test.folder, test.shellName), test.expected)
            << WideToUtf8(test.folder) << " / " << WideToUtf8(test.shellName);
}

} // namespace
