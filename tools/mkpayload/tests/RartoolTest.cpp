// The project's own reader must accept the payload: every entry tested with status "ok", in the order
// that puts alike files together.
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <sstream>
#include <zlib.h>

namespace mkpayload::test {
namespace {

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, '\t');) {
        fields.push_back(field);
    }
    return fields;
}

std::string HexCrc(const std::string& bytes) {
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08lx",
                  crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
    return hex;
}

TEST(MkpayloadRartool, EveryEntryTestsOk) {
    TempDir temp;
    const std::filesystem::path product = temp.path() / "product";
    std::filesystem::create_directory(product);
    // Two builds of one library apart by name with an unrelated file between them: the second build
    // follows the first. Nothing else is alike: the larger first.
    const std::string older = RandomBytes(300000, 1);
    std::string newer = older.substr(0, 250000);
    for (size_t at = 0; at < newer.size(); at += 4096) {
        newer[at] ^= 0x5A;
    }
    const struct {
        std::string name; // UTF-8, as rartool prints it
        std::string bytes;
    } files[] = {
        {"Orvan.exe", std::string(100000, 'o') + std::string(3, '\0')},
        {"empty.ini", ""},
        {"Настройки.ini", "[Вирдана]\r\n"},
        {"a_older.dll", older},
        {"b_other.dat", RandomBytes(280000, 2)},
        {"c_newer.dll", newer},
    };
    for (const auto& file : files) {
        WriteFile(product / file.name, file.bytes);
    }
    WriteFile(temp.path() / "RTW32.dll", "runtime");
    const std::filesystem::path archive = temp.path() / "payload.rar";
    const TRunResult build = RunMkpayload(product, temp.path() / "RTW32.dll", archive);
    ASSERT_EQ(build.exitCode, 0) << build.err;

    const TRunResult tested = RunProgram({RARTOOL_EXE, "t", archive.string()});
    EXPECT_EQ(tested.exitCode, 0) << tested.err;
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"RTW32.dll", "runtime"},
        {"Dist.lst", "a_older.dll\r\nc_newer.dll\r\nb_other.dat\r\nOrvan.exe\r\n"
                     "\x8D\xA0\xE1\xE2\xE0\xAE\xA9\xAA\xA8.ini\r\nempty.ini\r\n"},
        {"Dist\\a_older.dll", files[3].bytes},
        {"Dist\\c_newer.dll", files[5].bytes},
        {"Dist\\b_other.dat", files[4].bytes},
        {"Dist\\Orvan.exe", files[0].bytes},
        {"Dist\\Настройки.ini", files[2].bytes},
        {"Dist\\empty.ini", files[1].bytes},
    };
    std::istringstream lines(tested.out);
    size_t index = 0;
    for (std::string line; std::getline(lines, line); ++index) {
        ASSERT_LT(index, expected.size()) << "extra line: " << line;
        const std::vector<std::string> fields = SplitTabs(line);
        ASSERT_EQ(fields.size(), 5u) << line;
        std::string name = fields[0];
        std::replace(name.begin(), name.end(), '/', '\\');
        const auto& [expectedName, bytes] = expected[index];
        EXPECT_EQ(name, expectedName);
        EXPECT_EQ(fields[1], std::to_string(bytes.size())) << expectedName;
        EXPECT_EQ(fields[2], HexCrc(bytes)) << expectedName;
        EXPECT_EQ(fields[4], "ok") << expectedName;
    }
    EXPECT_EQ(index, expected.size());
}

} // namespace
} // namespace mkpayload::test
