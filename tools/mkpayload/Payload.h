// Builds the installer's payload archive from a product folder and the runtime library.
#pragma once

#include <filesystem>
#include <string>

namespace mkpayload {

struct TPackOptions {
    bool compress = true;  // false: every entry stored as it is
    int level = 4;         // 1 (fastest) .. 5 (smallest), when compressing
    bool x86Filter = true; // x86 programs' code through the E8E9 filter, when compressing
};

struct TPayloadSummary {
    size_t entries = 0;
    uint64_t bytes = 0;
};

// Entries in stored order: RTW32.dll, Dist.lst, then Dist\<name> for every product file in
// Dist.lst's order, which puts alike files together (EntryOrder.h). False with `error` (possibly several
// lines) when the input is refused or the archive cannot be written; the output is then left as it was.
bool BuildPayload(const std::filesystem::path& productFolder, const std::filesystem::path& runtimeLibrary,
                  const std::filesystem::path& output, const TPackOptions& options, TPayloadSummary& summary,
                  std::string& error);

} // namespace mkpayload
