// Every compressed payload must come out byte for byte from readers that share no code with the
// writer: the project's rartool, unar, and the reference decoder built for WebAssembly
// (node-unrar-js under Node). The expected bytes come from a stored build of the same folder.
#include "Cp866.h"
#include "TestSupport.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace mkpayload::test {
namespace {

namespace fs = std::filesystem;

// Text-like data with repeats at every distance range, so that new and old distances, short
// distances and length bonuses all occur.
std::string MixedText(size_t size, uint32_t seed) {
    static const char* const kWords[] = {"Zarvo",   "kernel",   "server",  "\r\n", " ",
                                         "window",  "registry", "Вирдана", "=",    "0x1F",
                                         "library", "[Setup]",  "path",    "\t"};
    std::mt19937 engine(seed);
    std::string text;
    while (text.size() < size) {
        text += kWords[engine() % std::size(kWords)];
        if (engine() % 97 == 0 && text.size() > 5000) {
            const size_t from = engine() % (text.size() - 4000);
            text += text.substr(from, 20 + engine() % 3000);
        }
    }
    text.resize(size);
    return text;
}

struct TEntry {
    std::string name; // CP866, backslashes
    std::string bytes;
};

// Entries of a stored archive, straight from its bytes.
std::vector<TEntry> StoredEntries(const fs::path& archive) {
    const std::string bytes = ReadFile(archive);
    std::vector<TEntry> entries;
    size_t offset = 7 + 13;
    for (const TStoredEntry& header : WalkFileHeaders(bytes)) {
        const size_t headerSize = 32 + header.name.size();
        entries.push_back({header.name, bytes.substr(offset + headerSize, header.packedSize)});
        offset += headerSize + header.packedSize;
    }
    return entries;
}

fs::path ByName(const fs::path& folder, const TEntry& entry) {
    std::string name = Cp866ToUtf8(entry.name);
    std::replace(name.begin(), name.end(), '\\', '/');
    return folder / name;
}

struct TReader {
    const char* name;
    // Extracts into the folder; the error text, empty on success.
    std::function<std::string(const fs::path& archive, const fs::path& folder)> extract;
    // Where entry `index` landed.
    std::function<fs::path(const fs::path& folder, size_t index, const TEntry& entry)> locate;
};

std::string Failure(const TRunResult& run) {
    return run.exitCode == 0 ? std::string()
                             : "exit " + std::to_string(run.exitCode) + ": " + run.err + run.out;
}

bool HaveNode() {
    return RunProgram({"node", "--version"}).exitCode == 0;
}

std::vector<TReader> Readers() {
    std::vector<TReader> readers = {
        {"rartool",
         [](const fs::path& a, const fs::path& f) {
             return Failure(RunProgram({RARTOOL_EXE, "x", a.string(), f.string()}));
         },
         [](const fs::path& f, size_t, const TEntry& e) {
             return ByName(f, e);
         }},
        {"unar",
         [](const fs::path& a, const fs::path& f) {
             return Failure(RunProgram({"unar", "-q", "-D", "-e", "IBM866", "-o", f.string(), a.string()}));
         },
         [](const fs::path& f, size_t, const TEntry& e) {
             return ByName(f, e);
         }},
    };
    if (HaveNode()) {
        readers.push_back({"node-unrar-js",
                           [](const fs::path& a, const fs::path& f) {
                               return Failure(RunProgram(
                                   {"node", UNRAR_JS_SCRIPT, UNRAR_JS_MODULE, a.string(), f.string()}));
                           },
                           [](const fs::path& f, size_t i, const TEntry&) {
                               return f / std::to_string(i);
                           }});
    } else {
        std::printf("node not found: node-unrar-js is not checked\n");
    }
    return readers;
}

struct TCase {
    const char* what;
    std::vector<std::string> options;
    // Fills the product folder; false when the input is not available here.
    std::function<bool(const fs::path& product, std::string& why)> fill;
};

bool FillEdgeCases(const fs::path& product, std::string&) {
    WriteFile(product / "0-empty.dat", "");
    WriteFile(product / "1-empty.dat", "");
    // Longer than the dictionary, so the run goes on across the window's wrap.
    WriteFile(product / "one-byte.bin", std::string((4u << 20) + 100000, 'z'));
    const std::string random = RandomBytes(1 << 20, 7);
    WriteFile(product / "random.bin", random);
    WriteFile(product / "text.ini", MixedText(300000, 3));
    // reach-b repeats reach-a's start and goes right after it (the files are put alike ones
    // together): only matches near the dictionary's limit find it.
    const std::string reach = RandomBytes((4u << 20) - 300000, 8);
    WriteFile(product / "reach-a.bin", reach);
    WriteFile(product / "reach-b.bin", reach.substr(0, 500000));
    WriteFile(product / "Ёлка.txt", "ёлка ёлка ёлка\r\n");
    WriteFile(product / "zz-empty.dat", "");
    return true;
}

// Smaller, for the other levels: text, binary with repeats, a run, empties.
bool FillMixed(const fs::path& product, std::string&) {
    WriteFile(product / "empty.dat", "");
    WriteFile(product / "run.bin", std::string(300000, '\0'));
    const std::string random = RandomBytes(200000, 9);
    WriteFile(product / "random.bin", random + MixedText(50000, 4) + random.substr(5, 70000));
    WriteFile(product / "text.ini", MixedText(400000, 5));
    return true;
}

// x86 programs whose filtered code runs from one entry's end into the next one's start, one that
// crosses the stream's 4 MiB mark (the decoders' window wraps there), and one with data after its code.
bool FillX86(const fs::path& product, std::string&) {
    WriteFile(product / "a-whole.exe", SyntheticPe(0x014C, {{0, 300001}}, 300001, 11));
    WriteFile(product / "b-whole.dll", SyntheticPe(0x8664, {{0, 200000}}, 200000, 12));
    WriteFile(product / "c-large.dll", SyntheticPe(0x014C, {{0x400, 5u << 20}}, (5u << 20) + 0x400, 13));
    WriteFile(product / "d-mixed.dll",
              SyntheticPe(0x014C, {{0x1000, 0x23456}, {0x30000, 0x8000, kPeDataSection}}, 0x40000, 14));
    return true;
}

bool FillStandIn(const fs::path& product, std::string& why) {
    const fs::path standIn = STANDIN_PRODUCT_DIR;
    if (!fs::is_directory(standIn)) {
        why = "the Windows build's stand-in product " + standIn.string() + " is not built";
        return false;
    }
    for (const auto& file : fs::directory_iterator(standIn)) {
        fs::copy_file(file.path(), product / file.path().filename());
    }
    return true;
}

// The files inside the shared test archives, unpacked by rartool into one flat folder.
bool FillSharedData(const fs::path& product, std::string& why) {
    const fs::path data = SHARED_TESTDATA_DIR;
    static const char* const kArchives[] = {
        "test_read_format_rar_binary_data.rar",
        "test_read_format_rar_compress_best.rar",
        "test_read_format_rar_multi_lzss_blocks.rar",
        "test_read_format_rar_filter.rar",
        "rar3-solid.rar",
    };
    TempDir unpacked;
    unsigned count = 0;
    for (const char* archive : kArchives) {
        if (!fs::exists(data / archive)) {
            why = "shared test data missing: " + (data / archive).string();
            return false;
        }
        const fs::path folder = unpacked.path() / fs::path(archive).stem();
        fs::create_directories(folder);
        RunProgram({RARTOOL_EXE, "x", (data / archive).string(), folder.string()});
        for (const auto& file : fs::recursive_directory_iterator(folder)) {
            if (file.is_regular_file()) {
                // Numbered: archives hold equal names in different folders.
                fs::copy_file(file.path(),
                              product / (std::to_string(++count) + "-" + file.path().filename().string()));
            }
        }
    }
    return true;
}

class MkpayloadReaders : public ::testing::TestWithParam<TCase> {};

TEST_P(MkpayloadReaders, ExtractEveryEntryByteForByte) {
    const TCase& c = GetParam();
    TempDir temp;
    const fs::path product = temp.path() / "product";
    fs::create_directory(product);
    std::string why;
    if (!c.fill(product, why)) {
        GTEST_SKIP() << why;
    }
    const fs::path runtime = fs::exists(fs::path(STANDIN_PRODUCT_DIR) / ".." / "RTW32.dll")
                                 ? fs::path(STANDIN_PRODUCT_DIR) / ".." / "RTW32.dll"
                                 : temp.path() / "RTW32.dll";
    if (!fs::exists(runtime)) {
        WriteFile(runtime, "MZ runtime stand-in");
    }
    const fs::path stored = temp.path() / "stored.rar";
    const fs::path packed = temp.path() / "packed.rar";
    const TRunResult storedRun = RunMkpayload(product, runtime, stored, {}, {"--stored"});
    ASSERT_EQ(storedRun.exitCode, 0) << storedRun.err;
    const TRunResult packedRun = RunMkpayload(product, runtime, packed, {}, c.options);
    ASSERT_EQ(packedRun.exitCode, 0) << packedRun.err;
    const std::vector<TEntry> expected = StoredEntries(stored);
    ASSERT_EQ(WalkFileHeaders(ReadFile(packed)).size(), expected.size());

    for (const TReader& reader : Readers()) {
        const fs::path out = temp.path() / reader.name;
        fs::create_directory(out);
        const std::string failure = reader.extract(packed, out);
        EXPECT_EQ(failure, "") << reader.name;
        for (size_t i = 0; i < expected.size(); ++i) {
            const fs::path file = reader.locate(out, i, expected[i]);
            ASSERT_TRUE(fs::exists(file)) << reader.name << ": " << file;
            // Not EXPECT_EQ on the bytes: a megabyte-long diff helps nobody.
            EXPECT_TRUE(ReadFile(file) == expected[i].bytes)
                << reader.name << ": " << Cp866ToUtf8(expected[i].name) << " differs";
        }
        fs::remove_all(out);
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, MkpayloadReaders,
                         ::testing::Values(TCase{"EdgeCases", {}, FillEdgeCases},
                                           TCase{"MixedFastest", {"--level", "1"}, FillMixed},
                                           TCase{"MixedSmallest", {"--level", "5"}, FillMixed},
                                           TCase{"StandInProduct", {}, FillStandIn},
                                           TCase{"X86Programs", {}, FillX86},
                                           TCase{"X86ProgramsFastest", {"--level", "1"}, FillX86},
                                           TCase{"SharedTestData", {}, FillSharedData}),
                         [](const ::testing::TestParamInfo<TCase>& info) { return info.param.what; });

TEST(MkpayloadReaders, NodeUnrarJsIsInstalledWhereNodeIs) {
    if (!HaveNode()) {
        GTEST_SKIP() << "node not found";
    }
    EXPECT_TRUE(fs::exists(fs::path(UNRAR_JS_MODULE) / "package.json"))
        << "run scripts/setup: it installs node-unrar-js into " << UNRAR_JS_MODULE;
}

} // namespace
} // namespace mkpayload::test
