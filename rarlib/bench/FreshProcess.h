// One extraction in a fresh process, as the installer does it: the benchmark starts itself again in a
// child mode, which times a single extraction and reads its own memory high-water mark. Nothing the
// parent did (allocator state, caches, the pages it touched) counts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace rarbench {

struct FreshRun {
    double seconds = 0; // the extraction alone, not the process start
    uint64_t bytes = 0;
    long long peakBytes = 0; // maximum resident set of the whole process
};

// Runs `self --fresh READER ARCHIVE`; nullopt if it could not run or the extraction failed. READER is
// "rarlib", "libarchive", or "none" (the process alone, for its baseline memory).
std::optional<FreshRun> runFresh(const std::string& reader, const std::string& archive);

// The child side; returns the exit code.
int freshChild(const std::string& reader, const std::string& archive);

} // namespace rarbench
