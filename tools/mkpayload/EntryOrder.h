// The order the product's files go into the solid stream. The compressor finds earlier bytes only
// within its window (4 MiB), and a folder listed by name puts the builds of one library, or files
// made from the same sources, far apart; put next to each other, they compress against each other.
#pragma once

#include "DistList.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mkpayload {

// Reorders `files`: the largest first, then each time the file most of whose sampled 8-byte strings
// the last `window` bytes already hold (ties: the larger, then the one listed first). The same files
// always give the same order. False with `error` when a file cannot be read.
bool OrderForCompression(std::vector<TProductFile>& files, uint64_t window, std::string& error);

} // namespace mkpayload
