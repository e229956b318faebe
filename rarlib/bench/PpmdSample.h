// A PPMd archive of payload-like data for the benchmark: the test data hold only a 40 KB PPMd archive,
// too small to time the decoder rather than its start-up. The content is the start of the tar inside
// rar-large/alpine_lzss.rar, packed by the PPMd module's test encoder with the archiver's "best"
// settings (order 8, 25 MB model).
#pragma once

#include <cstddef>
#include <string>

namespace rarbench {

// Writes the archive to a temporary file and returns its path (empty on failure).
std::string writePpmdSample(const std::string& sourceArchive, size_t bytes);

} // namespace rarbench
