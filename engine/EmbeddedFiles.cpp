#include "engine/EmbeddedFiles.h"

#include "common/Checksum.h"
#include "common/Product.h"
#include "common/Resources.h"

#include <cstdint>
#include <cstring>
#include <iterator>

namespace zarvo {

namespace {

// What the build records (cmake/embedded-checksums.py): for each of these, in this order, its size and its
// CRC-32, each a 32-bit little-endian number.
constexpr wchar_t ChecksumsResource[] = L"CHECKSUMS";
constexpr const wchar_t* Recorded[] = {UnrarResource, PayloadResource};

} // namespace

bool EmbeddedFilesIntact() {
    const std::optional<std::string_view> list = ResourceData(ChecksumsResource);
    if (!list || list->size() != sizeof(uint32_t) * 2 * std::size(Recorded))
        return false;
    for (size_t file = 0; file < std::size(Recorded); ++file) {
        uint32_t sizeAndCrc[2];
        std::memcpy(sizeAndCrc, list->data() + file * sizeof(sizeAndCrc), sizeof(sizeAndCrc));
        const std::optional<std::string_view> bytes = ResourceData(Recorded[file]);
        if (bytes && (bytes->size() != sizeAndCrc[0] || Crc32(*bytes) != sizeAndCrc[1]))
            return false;
    }
    return true;
}

} // namespace zarvo
