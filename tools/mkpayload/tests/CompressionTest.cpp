// The compressor's own promises: what the headers say, how large the packed data gets, codes the
// decoders accept, and the command line. The readers' tests check that the data decodes.
#include "HuffmanCode.h"
#include "Lz29Format.h"
#include "Lz29Packer.h"
#include "MatchFinder.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <random>
#include <zlib.h>

namespace mkpayload::test {
namespace {

namespace fs = std::filesystem;

std::string ConfigText(size_t size) {
    std::mt19937 engine(5);
    std::string text;
    for (unsigned line = 0; text.size() < size; ++line) {
        text += "[Section" + std::to_string(engine() % 40) + "]\r\nKey" + std::to_string(line % 17) +
                "=Value " + std::to_string(engine() % 1000) + " for the kernel server\r\n";
    }
    text.resize(size);
    return text;
}

size_t Deflate9Size(const std::string& bytes) {
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    std::vector<Bytef> out(size);
    compress2(out.data(), &size, reinterpret_cast<const Bytef*>(bytes.data()),
              static_cast<uLong>(bytes.size()), 9);
    return size;
}

class CompressedPayload : public ::testing::Test {
protected:
    TStoredEntry Build(const std::vector<std::pair<std::string, std::string>>& files,
                       const std::string& wanted, const std::vector<std::string>& options = {}) {
        fs::create_directories(product_);
        for (const auto& [name, bytes] : files) {
            WriteFile(product_ / name, bytes);
        }
        const TRunResult run = RunMkpayload(product_, runtime_, output_, {}, options);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        entries_ = WalkFileHeaders(ReadFile(output_));
        for (const TStoredEntry& entry : entries_) {
            if (entry.name == "Dist\\" + wanted) {
                return entry;
            }
        }
        ADD_FAILURE() << wanted << " not in the archive";
        return {};
    }

    TempDir temp_;
    fs::path product_ = temp_.path() / "product";
    fs::path runtime_ = temp_.path() / "RTW32.dll";
    fs::path output_ = temp_.path() / "payload.rar";
    std::vector<TStoredEntry> entries_;

    void SetUp() override { WriteFile(runtime_, "MZ runtime"); }
};

TEST_F(CompressedPayload, HeadersDeclareTheSolidLzStream) {
    Build({{"a.txt", ConfigText(5000)}, {"b.bin", RandomBytes(3000, 1)}, {"c.ini", ""}}, "a.txt",
          {"--level", "5"});
    ASSERT_EQ(entries_.size(), 5u);
    for (size_t i = 0; i < entries_.size(); ++i) {
        // 4 MiB dictionary; every entry after the first continues the stream.
        EXPECT_EQ(entries_[i].flags, i == 0 ? 0x80C0 : 0x80D0) << entries_[i].name;
        EXPECT_EQ(entries_[i].method, 0x35) << entries_[i].name;
        EXPECT_EQ(entries_[i].unpackVersion, 29) << entries_[i].name;
    }
}

TEST_F(CompressedPayload, DefaultLevelIsRecordedAsGood) {
    Build({{"a.txt", "abc"}}, "a.txt");
    ASSERT_FALSE(entries_.empty());
    EXPECT_EQ(entries_[0].method, 0x34);
}

struct TSizeCase {
    const char* what;
    std::string bytes;
    std::function<size_t(const std::string&)> limit; // largest acceptable packed size
    size_t smallest;                                 // packed size must be at least this
};

TEST_F(CompressedPayload, PackedSizesStayWithinBounds) {
    const TSizeCase cases[] = {
        // Incompressible data may not grow by 1 % or more.
        {"random", RandomBytes(1 << 20, 2), [](const std::string& b) { return b.size() + b.size() / 100; },
         1 << 20},
        // A run longer than the dictionary is almost nothing: one short code per 257 bytes.
        {"run", std::string((4u << 20) + 4096, '\x90'), [](const std::string&) { return size_t{3000}; }, 1},
        // Text at least as small as deflate at its best.
        {"text", ConfigText(400000), Deflate9Size, 1},
        // An empty entry in the middle of the stream is the end code alone.
        {"empty", "", [](const std::string&) { return size_t{2}; }, 1},
    };
    std::vector<std::pair<std::string, std::string>> files;
    for (const TSizeCase& c : cases) {
        files.emplace_back(std::string(c.what) + ".dat", c.bytes);
    }
    Build(files, "random.dat");
    for (const TSizeCase& c : cases) {
        const auto entry = std::find_if(entries_.begin(), entries_.end(), [&](const TStoredEntry& e) {
            return e.name == "Dist\\" + std::string(c.what) + ".dat";
        });
        ASSERT_NE(entry, entries_.end()) << c.what;
        EXPECT_EQ(entry->size, c.bytes.size()) << c.what;
        EXPECT_LE(entry->packedSize, c.limit(c.bytes)) << c.what;
        EXPECT_GE(entry->packedSize, c.smallest) << c.what;
        EXPECT_EQ(entry->crc,
                  crc32(0, reinterpret_cast<const Bytef*>(c.bytes.data()), static_cast<uInt>(c.bytes.size())))
            << c.what;
    }
}

TEST_F(CompressedPayload, EveryLevelGivesItsOwnRepeatableBytes) {
    Build({{"a.txt", ConfigText(200000)},
           {"b.bin", RandomBytes(100000, 3)},
           {"c.dll", SyntheticPe(0x014C, {{0x400, 150000}}, 200000, 4)}},
          "a.txt", {"--level", "1"});
    std::string previous;
    for (const char* level : {"1", "3", "4", "5"}) {
        Build({}, "a.txt", {"--level", level});
        const std::string first = ReadFile(output_);
        Build({}, "a.txt", {"--level", level});
        EXPECT_EQ(ReadFile(output_), first) << "level " << level;
        if (level == std::string("5")) {
            // Both cheapest-path levels find nearly every match here; they differ by a hair either way.
            EXPECT_NE(first, previous);
            EXPECT_LE(first.size(), previous.size() + previous.size() / 1000);
        } else if (!previous.empty()) {
            EXPECT_LT(first.size(), previous.size()) << "level " << level;
        }
        previous = first;
    }
}

TEST_F(CompressedPayload, X86FilterShrinksCallHeavyCode) {
    const std::string program = SyntheticPe(0x014C, {{0x400, 0x60000}}, 0x70000, 5);
    const size_t filtered = Build({{"a.dll", program}}, "a.dll").packedSize;
    const size_t plain = Build({}, "a.dll", {"--no-x86-filter"}).packedSize;
    // Targets made absolute repeat: the calls cost far less.
    EXPECT_LT(filtered, plain * 9 / 10);
}

TEST(MkpayloadCommandLine, RefusesBadPackingOptions) {
    const std::vector<std::string> refused[] = {{"--level", "0"},
                                                {"--level", "6"},
                                                {"--level", "x"},
                                                {"--level"},
                                                {"--stored", "--level", "2"},
                                                {"--fast"},
                                                {"--stored", "--no-x86-filter"}};
    for (const std::vector<std::string>& options : refused) {
        std::vector<std::string> argv = {MKPAYLOAD_EXE};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.insert(argv.end(), {"product", "RTW32.dll", "out.rar"});
        const TRunResult run = RunProgram(argv);
        EXPECT_EQ(run.exitCode, 2) << options[0] << (options.size() > 1 ? " " + options[1] : "");
    }
}

// Kraft sum of the lengths, in units of 2^-15: exactly 2^15 for a complete code.
uint64_t KraftUnits(const std::vector<uint8_t>& lengths) {
    uint64_t sum = 0;
    for (uint8_t length : lengths) {
        sum += length == 0 ? 0 : uint64_t{1} << (15 - length);
    }
    return sum;
}

TEST(HuffmanCode, LengthsAreLimitedAndTheCodeComplete) {
    std::vector<uint32_t> fibonacci = {1, 1};
    while (fibonacci.size() < 30) {
        fibonacci.push_back(fibonacci[fibonacci.size() - 1] + fibonacci[fibonacci.size() - 2]);
    }
    std::vector<uint32_t> sparse(299, 0);
    sparse[0] = 5;
    sparse[256] = 1;
    sparse[298] = 1000;
    const struct {
        const char* what;
        std::vector<uint32_t> counts;
    } cases[] = {
        {"fibonacci counts (unlimited depth 29)", fibonacci},
        {"three of many", sparse},
        {"all equal", std::vector<uint32_t>(60, 7)},
    };
    for (const auto& c : cases) {
        const std::vector<uint8_t> lengths = BuildCodeLengths(c.counts, 15);
        EXPECT_LE(*std::max_element(lengths.begin(), lengths.end()), 15) << c.what;
        EXPECT_EQ(KraftUnits(lengths), 1u << 15) << c.what;
        for (size_t s = 0; s < c.counts.size(); ++s) {
            EXPECT_EQ(lengths[s] != 0, c.counts[s] != 0) << c.what << " symbol " << s;
        }
    }
}

TEST(HuffmanCode, LoneSymbolGetsAPartnerSoTheCodeIsComplete) {
    for (const unsigned used : {0u, 5u}) {
        std::vector<uint32_t> counts(17, 0);
        counts[used] = 9;
        const std::vector<uint8_t> lengths = BuildCodeLengths(counts, 15);
        EXPECT_EQ(lengths[used], 1);
        EXPECT_EQ(KraftUnits(lengths), 1u << 15) << used;
    }
    EXPECT_EQ(KraftUnits(BuildCodeLengths(std::vector<uint32_t>(28, 0), 15)), 0u);
}

TEST(HuffmanCode, CanonicalCodesFollowLengthThenSymbolOrder) {
    // The pre-code of the format notes' worked example.
    const std::vector<uint8_t> lengths = {2, 3, 4, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 2};
    const std::vector<uint16_t> codes = CanonicalCodes(lengths);
    EXPECT_EQ(codes[0], 0b00);
    EXPECT_EQ(codes[3], 0b01);
    EXPECT_EQ(codes[19], 0b10);
    EXPECT_EQ(codes[1], 0b110);
    EXPECT_EQ(codes[2], 0b1110);
    EXPECT_EQ(codes[18], 0b1111);
}

TEST(Lz29Slots, DistancesAndLengthsMapToTheirSlots) {
    const struct {
        uint32_t distance;
        uint8_t slot;
        uint8_t bits;
        uint32_t extra;
    } distances[] = {
        {1, 0, 0, 0},
        {4, 3, 0, 0},
        {5, 4, 1, 0},
        {1000, 19, 8, 231},
        {8192, 25, 11, 2047},
        {65537, 32, 15, 0},
        {131072, 33, 15, 32767},
        {1048577, 48, 18, 0},
        {4194304, 59, 18, 262143},
    };
    for (const auto& d : distances) {
        const lz29::TSlot slot = lz29::DistanceSlot(d.distance - 1);
        EXPECT_EQ(slot.slot, d.slot) << d.distance;
        EXPECT_EQ(slot.bits, d.bits) << d.distance;
        EXPECT_EQ(slot.extra, d.extra) << d.distance;
    }
    const struct {
        unsigned value;
        uint8_t slot;
        uint32_t extra;
    } lengths[] = {{0, 0, 0}, {7, 7, 0}, {9, 8, 1}, {34, 16, 2}, {255, 27, 31}};
    for (const auto& l : lengths) {
        EXPECT_EQ(lz29::LengthSlot(l.value).slot, l.slot) << l.value;
        EXPECT_EQ(lz29::LengthSlot(l.value).extra, l.extra) << l.value;
    }
    const struct {
        uint32_t distance;
        uint8_t slot;
        uint32_t extra;
    } shorts[] = {{1, 0, 0}, {4, 0, 3}, {5, 1, 0}, {129, 6, 0}, {256, 7, 63}};
    for (const auto& s : shorts) {
        EXPECT_EQ(lz29::ShortDistanceSlot(s.distance).slot, s.slot) << s.distance;
        EXPECT_EQ(lz29::ShortDistanceSlot(s.distance).extra, s.extra) << s.distance;
    }
}

class TNullSink final : public TByteSink {
public:
    bool Write(std::span<const uint8_t>) override { return true; }
};

TEST(Lz29Packer, RefusesDataThatDisagreesWithTheAnnouncedSize) {
    const std::vector<uint8_t> data(100, 'a');
    TNullSink sink;
    TPackedForm form;
    TLz29Packer more(3);
    more.BeginEntry(50);
    EXPECT_FALSE(more.Pack(data, sink));
    TLz29Packer fewer(3);
    fewer.BeginEntry(150);
    EXPECT_TRUE(fewer.Pack(data, sink));
    EXPECT_FALSE(fewer.EndEntry(sink, form));
}

// A long match far back behind hundreds of nearer short ones with the same first 4 bytes: the tree
// walk meets it within a few nodes.
TEST(MatchFinder, TreesReachTheLongMatchBehindManyShortOnes) {
    const std::string tail = RandomBytes(300, 21);
    std::string stream = "ABCD" + tail;
    for (uint32_t i = 0; i < 500; ++i) {
        stream += "ABCD" + RandomBytes(4, 100 + i);
    }
    const uint64_t at = stream.size();
    stream += "ABCD" + tail.substr(0, 200) + "!";
    const auto bytes = std::span(reinterpret_cast<const uint8_t*>(stream.data()), stream.size());

    lz29::TMatchFinder finder(lz29::TMatchFinder::EIndex::Trees);
    finder.Append(bytes, 0);
    std::vector<lz29::TMatch> found;
    finder.TreeSearch(at, lz29::kMaxMatch, 24, [&](unsigned length, uint32_t distance) {
        found.push_back({length, distance});
    });
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found.back().length, 204u);
    EXPECT_EQ(found.back().distance, at);
}

} // namespace
} // namespace mkpayload::test
