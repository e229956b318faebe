#include "common/Dates.h"
#include "engine/CommandLine.h"
#include "engine/StartupFiles.h"
#include "common/SetupError.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <vector>

using namespace zarvo;
using zarvo::testing::TempFolder;
using zarvo::testing::WriteTextFile;

namespace {

struct SplitCase {
    const char* name;
    std::string text;
    std::vector<std::wstring> lines;
};

} // namespace

TEST(DistList, LinesEndAtCrLfOrCrLfAndAreKeptAsTheyStand) {
    const SplitCase cases[] = {
        {"empty file", "", {}},
        {"no final break", "Orvan.exe\r\nTornel.dll", {L"Orvan.exe", L"Tornel.dll"}},
        {"final break adds no line", "Orvan.exe\r\nTornel.dll\r\n", {L"Orvan.exe", L"Tornel.dll"}},
        {"bare LF and bare CR", "a\nb\rc", {L"a", L"b", L"c"}},
        {"empty lines stay", "a\r\n\r\nb\n\nc", {L"a", L"", L"b", L"", L"c"}},
        {"CR CR LF is two breaks", "a\r\r\nb", {L"a", L"", L"b"}},
        {"LF CR is two breaks", "a\n\rb", {L"a", L"", L"b"}},
        {"only a break", "\r\n", {L""}},
        {"blanks are not trimmed", "  Orvan.exe \t\r\n;comment", {L"  Orvan.exe \t", L";comment"}},
        // CP866: "Настройки.ini"
        {"OEM Cyrillic", "\x8d\xa0\xe1\xe2\xe0\xae\xa9\xaa\xa8.ini\r\n", {L"Настройки.ini"}},
    };
    for (const SplitCase& c : cases)
        EXPECT_EQ(SplitDistList(c.text), c.lines) << c.name;
}

TEST(DistList, IsReadThroughItsHeldFileAndAMissingOneRaisesNamingIt) {
    TempFolder folder;
    std::wstring path = folder / L"Dist.lst";
    ASSERT_TRUE(WriteTextFile(path, "ZarvoKernel.exe\r\nZarvoKernel.tlb\r\n"));
    THandle held = HoldFile(path);
    ASSERT_TRUE(held.Valid());
    EXPECT_EQ(SplitDistList(ReadHeldFile(held.Get(), path)),
              (std::vector<std::wstring>{L"ZarvoKernel.exe", L"ZarvoKernel.tlb"}));

    std::wstring missing = folder / L"none.lst";
    THandle none = HoldFile(missing);
    EXPECT_FALSE(none.Valid());
    try {
        ReadHeldFile(none.Get(), missing);
        FAIL() << "a missing list must raise";
    } catch (const ESetupError& error) {
        EXPECT_NE(error.Message().find(missing), std::wstring::npos) << error.what();
    }
}

TEST(FileDate, IsDayMonthYearWithLeadingZerosWhateverTheLocale) {
    struct {
        TDateTime date;
        const wchar_t* text;
    } const cases[] = {
        {38450.0, L"08.04.2005"},    // single-digit day and month
        {38450.9993, L"08.04.2005"}, // late in the day is still that day
        {36585.5, L"29.02.2000"},
        {0.0, L"30.12.1899"}, // what a missing file's date reads as
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatFileDate(c.date), c.text) << c.date;
}

TEST(CommandLine, OnlyTheFirstArgumentCountsAndCaseDoesNot) {
    struct {
        const wchar_t* line;
        bool automatic;
    } const cases[] = {
        {L"SetupZarvo.exe /auto", true},
        {L"SetupZarvo.exe /AuTo", true},
        {L"\"C:\\Program Files\\SetupZarvo.exe\" /auto extra", true},
        {L"SetupZarvo.exe \"/auto\"", true},
        {L"SetupZarvo.exe", false},
        {L"SetupZarvo.exe /x /auto", false},
        {L"SetupZarvo.exe auto", false},
        {L"SetupZarvo.exe /autox", false},
        {L"SetupZarvo.exe -auto", false},
        {L"/auto", false}, // the program's own name is not an argument
    };
    for (const auto& c : cases)
        EXPECT_EQ(FirstArgumentIsAuto(c.line), c.automatic) << c.line;
}
