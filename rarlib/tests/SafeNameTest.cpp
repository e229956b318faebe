#include <gtest/gtest.h>

#include <filesystem>

#include "extract/SafeName.h"

namespace rarlib {
namespace {

TEST(SafeName, KeepsOrdinaryNamesAndSplitsOnBothSeparators) {
    const std::pair<std::u16string, std::filesystem::path> cases[] = {
        {u"file.txt", "file.txt"},
        {u"Dist\\sub\\Orvan.exe", std::filesystem::path("Dist") / "sub" / "Orvan.exe"},
        {u"a/b\\c", std::filesystem::path("a") / "b" / "c"},
        {u"with space/long fn.txt", std::filesystem::path("with space") / "long fn.txt"},
        {u"versioned.txt;1", "versioned.txt;1"},
        {u"\u0414\u0430\u043d\u043d\u044b\u0435\\\u0444\u0430\u0439\u043b.txt",
         std::filesystem::path(u"\u0414\u0430\u043d\u043d\u044b\u0435") /
             std::filesystem::path(u"\u0444\u0430\u0439\u043b.txt")},
        {u"..name", "..name"},
        {u"console.txt", "console.txt"},
    };
    for (const auto& [name, want] : cases) {
        const auto got = safeRelativePath(name);
        ASSERT_TRUE(got) << std::filesystem::path(name);
        EXPECT_EQ(std::filesystem::path(got->native()), want);
    }
}

TEST(SafeName, RefusesNamesThatLeaveTheDestinationOrAddressSomethingElse) {
    const std::u16string refused[] = {
        u"",
        u"..",
        u"..\\evil.txt",
        u"a\\..\\..\\evil.txt",
        u"a/../b",
        u".\\a",
        u"\\absolute.txt",
        u"/etc/passwd",
        u"C:evil.txt",
        u"C:\\Windows\\evil.dll",
        u"\\\\server\\share\\evil.txt",
        u"\\\\?\\C:\\evil.txt",
        u"\\\\.\\PhysicalDrive0",
        u"file.txt:stream",
        u"a\\\\b",
        u"trailing.",
        u"dir \\file",
        u"CON",
        u"nul.txt",
        u"dir\\com1.log",
        u"LPT9",
        u"tab\there",
        u"what?.txt",
        u"star*.txt",
        u"pipe|name",
        u"quote\"name",
        u"less<more>",
        std::u16string(u"lone\xD800surrogate"),
    };
    for (const auto& name : refused) {
        EXPECT_FALSE(safeRelativePath(name)) << "index " << (&name - refused);
    }
}

} // namespace
} // namespace rarlib
