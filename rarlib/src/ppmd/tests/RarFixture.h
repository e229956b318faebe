// Test-side access to the real archives of the shared test data: the packed data of each entry,
// found by walking the block headers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/Manifest.h"

namespace rarlib::testing {

// `relative` under the shared test data folder.
inline std::string testDataPath(const std::string& relative) {
    return test::testDataDir() + "/" + relative;
}
using test::readFile;

struct RarEntry {
    std::string name; // as stored, '\' separators
    uint16_t flags = 0;
    uint8_t unpackVersion = 0;
    uint8_t method = 0;
    uint64_t unpackedSize = 0;
    uint32_t crc = 0;
    std::vector<uint8_t> packed;
    bool truncated = false; // the archive ends inside this entry's data
};

// The file entries of an archive in order (no CRC checks, just the block walk).
std::vector<RarEntry> readRarEntries(const std::vector<uint8_t>& archive);

// A one-entry 2.9 archive holding `packed` as the compressed data of `content` (unpack version 29,
// best method, 4 MB dictionary), for handing to another reader.
std::vector<uint8_t> makeRarArchive(const std::string& name, const std::vector<uint8_t>& packed,
                                    const std::vector<uint8_t>& content);

} // namespace rarlib::testing
