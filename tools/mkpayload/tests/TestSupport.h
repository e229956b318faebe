// Helpers for running the real mkpayload and reading its archive with independent tools.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace mkpayload::test {

// The native tests' one temporary folder.
using rarlib::test::TempDir;

struct TRunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a program found on PATH (or by path) with extra "NAME=value" environment entries.
TRunResult RunProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment = {});
// `options` go before the paths (e.g. "--stored", "--level", "5").
TRunResult RunMkpayload(const std::filesystem::path& product, const std::filesystem::path& runtime,
                        const std::filesystem::path& output, const std::vector<std::string>& environment = {},
                        const std::vector<std::string>& options = {});

void WriteFile(const std::filesystem::path& path, const std::string& bytes, std::time_t modified = 0);
std::string ReadFile(const std::filesystem::path& path);
// Bytes no compressor can shrink, the same for the same seed.
std::string RandomBytes(size_t size, uint32_t seed);

// Machine code as far as the x86 filter cares: calls and jumps (E8, E9) to a few dozen routines,
// between random bytes. `at` is where the bytes start in their file.
std::string CallHeavyCode(size_t size, uint32_t seed, size_t at = 0);

struct TPeSection {
    uint32_t offset = 0;
    uint32_t size = 0;
    uint32_t characteristics = 0x60000020; // code, executable, readable
};
constexpr uint32_t kPeDataSection = 0xC0000040;
// A PE image's headers for the given machine and sections, padded with call-heavy code to `size`.
std::string SyntheticPe(uint16_t machine, const std::vector<TPeSection>& sections, size_t size,
                        uint32_t seed);

// bsdtar's listing with its octal escapes undone, so OEM names come back as their raw bytes.
std::vector<std::string> BsdtarList(const std::filesystem::path& archive);
// One entry's bytes as bsdtar extracts them; the name uses '/' as bsdtar reports it.
TRunResult BsdtarExtract(const std::filesystem::path& archive, const std::string& name);

// The fields of one file header, read straight from the archive's bytes.
struct TStoredEntry {
    uint16_t flags = 0;
    uint32_t packedSize = 0;
    uint32_t size = 0;
    uint32_t crc = 0;
    uint8_t hostOs = 0;
    uint32_t dosTime = 0;
    uint8_t unpackVersion = 0;
    uint8_t method = 0;
    uint32_t attributes = 0;
    std::string name;
};
std::vector<TStoredEntry> WalkFileHeaders(const std::string& archive);

} // namespace mkpayload::test
