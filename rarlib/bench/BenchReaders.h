// The two readers rarbench compares, each extracting every entry of an archive to memory once.
#pragma once

#include <cstdint>
#include <string>

namespace rarbench {

struct Measure {
    uint64_t bytes = 0;
    bool complete = true; // every entry decoded without error
    std::string note;
};

// This library through its C interface, testing every entry (CRC checked). Output of an entry that
// fails counts up to the failure.
Measure readWithRarlib(const std::string& path);
// libarchive's RAR reader (which checks the CRC as well).
Measure readWithLibarchive(const std::string& path);

} // namespace rarbench
