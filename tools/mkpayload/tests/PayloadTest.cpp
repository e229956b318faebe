#include "TestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace mkpayload::test {
namespace {

constexpr std::time_t kJan2024 = 1704067200;                // 2024-01-01 00:00:00 UTC
constexpr std::time_t kBefore1980 = 157766400;              // 1975-01-01 00:00:00 UTC
const std::string kPrivet = "\x8F\xE0\xA8\xA2\xA5\xE2.txt"; // "Привет.txt" in CP866
const std::string kYolka = "\xF0\xAB\xAA\xA0.dat";          // "Ёлка.dat" in CP866

std::string Pattern(size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 16);
    }
    return bytes;
}

struct TProductFileSpec {
    std::string utf8Name;
    std::string cp866Name;
    std::string bytes;
    std::time_t modified;
};

// Bigger than the tool's 64 KiB read buffer, binary with zeros, empty, Cyrillic names, and one
// time before the DOS epoch.
const std::vector<TProductFileSpec>& ProductFiles() {
    static const std::vector<TProductFileSpec> files = {
        {"Привет.txt", kPrivet, "Здравствуй\r\n", kJan2024 + 61},
        {"Orvan.exe", "Orvan.exe", "MZ" + Pattern(70000, 1), kJan2024 + 3600},
        {"empty.ini", "empty.ini", "", kBefore1980},
        {"Ёлка.dat", kYolka, Pattern(300, 2), kJan2024},
        {"ZarvoKernel.tlb", "ZarvoKernel.tlb", std::string("MSFT\0\0\x01", 7), kJan2024 + 7},
    };
    return files;
}

class PayloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directory(product_);
        WriteFile(runtime_, "runtime library bytes", kJan2024 + 2);
        for (const TProductFileSpec& file : ProductFiles()) {
            WriteFile(product_ / file.utf8Name, file.bytes, file.modified);
        }
    }

    TempDir temp_;
    std::filesystem::path product_ = temp_.path() / "product";
    std::filesystem::path runtime_ = temp_.path() / "RTW32.dll";
    std::filesystem::path output_ = temp_.path() / "SetupZarvo.rar";
};

// Nothing alike: the larger first.
const std::string kExpectedDistList =
    "Orvan.exe\r\n" + kYolka + "\r\n" + kPrivet + "\r\nZarvoKernel.tlb\r\nempty.ini\r\n";

// bsdtar reads no solid compressed data, so it checks the stored form.
TEST_F(PayloadTest, BsdtarReadsEntriesInOrderWithTheirBytes) {
    const TRunResult run = RunMkpayload(product_, runtime_, output_, {}, {"--stored"});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    EXPECT_EQ(BsdtarList(output_),
              (std::vector<std::string>{"RTW32.dll", "Dist.lst", "Dist/Orvan.exe", "Dist/" + kYolka,
                                        "Dist/" + kPrivet, "Dist/ZarvoKernel.tlb", "Dist/empty.ini"}));

    const TRunResult runtime = BsdtarExtract(output_, "RTW32.dll");
    EXPECT_EQ(runtime.exitCode, 0) << runtime.err;
    EXPECT_EQ(runtime.out, "runtime library bytes");
    const TRunResult list = BsdtarExtract(output_, "Dist.lst");
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(list.out, kExpectedDistList);
    for (const TProductFileSpec& file : ProductFiles()) {
        const TRunResult extracted = BsdtarExtract(output_, "Dist/" + file.cp866Name);
        EXPECT_EQ(extracted.exitCode, 0) << file.utf8Name << ": " << extracted.err;
        EXPECT_EQ(extracted.out, file.bytes) << file.utf8Name;
    }
}

TEST_F(PayloadTest, HeadersCarryTheInstallersFormat) {
    // A fixed zone three hours east of UTC: times are stored as local time.
    const TRunResult run = RunMkpayload(product_, runtime_, output_, {"TZ=MSK-3"}, {"--stored"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string archive = ReadFile(output_);

    // Marker, main header with only the solid flag, and the end-of-archive block.
    EXPECT_EQ(archive.substr(0, 20),
              std::string("Rar!\x1A\x07\x00\x3B\xD0\x73\x08\x00\x0D\x00\0\0\0\0\0\0", 20));
    EXPECT_EQ(archive.substr(archive.size() - 7), std::string("\xC4\x3D\x7B\x00\x40\x07\x00", 7));

    const auto dos = [](unsigned y, unsigned mo, unsigned d, unsigned h, unsigned mi, unsigned s) {
        return ((y - 1980) << 25) | (mo << 21) | (d << 16) | (h << 11) | (mi << 5) | (s / 2);
    };
    const auto bytesOf = [](const std::string& utf8Name) {
        for (const TProductFileSpec& file : ProductFiles()) {
            if (file.utf8Name == utf8Name) {
                return file.bytes;
            }
        }
        return std::string();
    };
    const struct {
        std::string name;
        uint32_t dosTime;
        std::string bytes;
    } expected[] = {
        {"RTW32.dll", dos(2024, 1, 1, 3, 0, 2), "runtime library bytes"},
        {"Dist.lst", dos(2024, 1, 1, 4, 0, 0), kExpectedDistList}, // the newest product file's time
        {"Dist\\Orvan.exe", dos(2024, 1, 1, 4, 0, 0), bytesOf("Orvan.exe")},
        {"Dist\\" + kYolka, dos(2024, 1, 1, 3, 0, 0), bytesOf("Ёлка.dat")},
        {"Dist\\" + kPrivet, dos(2024, 1, 1, 3, 1, 0), bytesOf("Привет.txt")},
        {"Dist\\ZarvoKernel.tlb", dos(2024, 1, 1, 3, 0, 6), bytesOf("ZarvoKernel.tlb")}, // 7 s rounds down
        {"Dist\\empty.ini", dos(1980, 1, 1, 0, 0, 0), ""}, // before 1980: the earliest DOS time
    };
    const std::vector<TStoredEntry> entries = WalkFileHeaders(archive);
    ASSERT_EQ(entries.size(), std::size(expected));
    for (size_t i = 0; i < entries.size(); ++i) {
        const TStoredEntry& entry = entries[i];
        EXPECT_EQ(entry.name, expected[i].name);
        // Long block only: no per-file solid (nothing to continue in stored data), no 64-bit
        // sizes, no Unicode name, no encryption, no extended time.
        EXPECT_EQ(entry.flags, 0x8000) << expected[i].name;
        EXPECT_EQ(entry.hostOs, 2) << expected[i].name;
        EXPECT_EQ(entry.method, 0x30) << expected[i].name;
        EXPECT_EQ(entry.unpackVersion, 20) << expected[i].name;
        EXPECT_EQ(entry.attributes, 0x20u) << expected[i].name;
        EXPECT_EQ(entry.dosTime, expected[i].dosTime) << expected[i].name;
        // bsdtar does not check the CRC of stored data, so it is checked here.
        const std::string& bytes = expected[i].bytes;
        EXPECT_EQ(entry.size, bytes.size()) << expected[i].name;
        EXPECT_EQ(entry.packedSize, bytes.size()) << expected[i].name;
        EXPECT_EQ(entry.crc,
                  crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())))
            << expected[i].name;
    }
}

TEST_F(PayloadTest, SameInputGivesSameBytesWhateverTheFolderOrder) {
    // The same files created in the opposite order, so the folder lists them differently.
    const std::filesystem::path reversed = temp_.path() / "reversed";
    std::filesystem::create_directory(reversed);
    for (auto it = ProductFiles().rbegin(); it != ProductFiles().rend(); ++it) {
        WriteFile(reversed / it->utf8Name, it->bytes, it->modified);
    }
    const std::filesystem::path second = temp_.path() / "second.rar";
    const std::filesystem::path third = temp_.path() / "third.rar";
    ASSERT_EQ(RunMkpayload(product_, runtime_, output_).exitCode, 0);
    ASSERT_EQ(RunMkpayload(product_, runtime_, second).exitCode, 0);
    ASSERT_EQ(RunMkpayload(reversed, runtime_, third).exitCode, 0);
    const std::string first = ReadFile(output_);
    EXPECT_EQ(ReadFile(second), first);
    EXPECT_EQ(ReadFile(third), first);
}

TEST_F(PayloadTest, ReplacesAnExistingOutput) {
    WriteFile(output_, std::string(200000, 'x'));
    ASSERT_EQ(RunMkpayload(product_, runtime_, output_, {}, {"--stored"}).exitCode, 0);
    EXPECT_EQ(BsdtarList(output_).size(), ProductFiles().size() + 2);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp_.path()), {}), 3)
        << "temporary file left";
}

TEST_F(PayloadTest, LongestNameThatFitsTheInstallersField) {
    // "Dist\" + 254 bytes = 259, the longest name a 260-byte zero-terminated field holds.
    const std::string name(254, 'n');
    WriteFile(product_ / name, "long");
    const TRunResult run = RunMkpayload(product_, runtime_, output_, {}, {"--stored"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(BsdtarExtract(output_, "Dist/" + name).out, "long");
}

TEST(MkpayloadCommandLine, WrongArgumentCountPrintsUsage) {
    const TRunResult run = RunProgram({MKPAYLOAD_EXE, "only-one"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(
        run.err.find(
            "Usage: mkpayload [--stored | [--level N] [--no-x86-filter]] PRODUCT_DIR RTW32_DLL OUTPUT.rar"),
        std::string::npos);
}

} // namespace
} // namespace mkpayload::test
