#pragma once

#include <cstdint>
#include <vector>

#include "archive/ArchiveReader.h"

namespace rarlib {

// Reads the archive comment: the comment service block of RAR 3.x and later (stored or packed with the
// 2.9 method) or an old-style comment embedded in the main header (stored only). Ok with empty `text`
// when there is none; Status::UnknownFormat for packing methods this library does not read.
Status readArchiveComment(ArchiveReader& reader, std::vector<uint8_t>& text);

} // namespace rarlib
