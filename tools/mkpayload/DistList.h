// The product folder as the payload holds it: its files in a stable order and the distribution
// list Dist.lst that names them.
#pragma once

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

namespace mkpayload {

// Sizes are stored in 32 bits and 0xFFFFFFFF means "size unknown" to readers.
inline constexpr uint64_t kMaxEntrySize = 0xFFFFFFFEull;

struct TProductFile {
    std::string name; // CP866, as listed in Dist.lst and stored below Dist\ (without it)
    std::filesystem::path path;
    uint64_t size = 0;
    std::time_t modified = 0;
};

// Checks that `path` is a plain file the payload can carry (readable, not too large) and fills
// `file` except for its name.
bool InspectSourceFile(const std::filesystem::path& path, TProductFile& file, std::string& error);

// Collects the product folder's files, sorted by their CP866 names. Everything the payload cannot
// represent is refused; `error` then lists every problem, one per line.
bool ScanProductFolder(const std::filesystem::path& folder, std::vector<TProductFile>& files,
                       std::string& error);

// Dist.lst: one name per line, CRLF after each, CP866.
std::string FormatDistList(const std::vector<TProductFile>& files);

} // namespace mkpayload
