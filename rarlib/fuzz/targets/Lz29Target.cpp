// The 2.9 LZ decoder alone on raw packed bytes. Input: one flag byte, then per entry its unpacked
// size (3 bytes) and, for all but the last entry, its packed length (3 bytes); the packed data of the
// entries follow one after the other. Entries after the first continue the solid stream.
// flags: bit 0 the size is known; bits 1-2 entries - 1. PPM blocks and filter records in the stream
// are decoded as in an archive.
#include "FuzzTargets.h"

#include "unpack/ByteSource.h"
#include "unpack/Unpack29.h"

#include <algorithm>
#include <memory>
#include <span>

namespace rarfuzz {
namespace {

using namespace rarlib;

class CountingSink final : public OutputSink {
public:
    Status write(const uint8_t*, size_t size) override {
        written += size;
        return Status::Ok;
    }
    uint64_t written = 0;
};

// PPM blocks may ask for up to 256 MB; a bounded model keeps each input cheap (larger requests take
// the out-of-memory path).
constexpr uint32_t kPpmdLimitMB = 16;

uint32_t le24(const uint8_t* p) {
    return p[0] | p[1] << 8 | static_cast<uint32_t>(p[2]) << 16;
}

} // namespace

int fuzzLz29(const uint8_t* data, size_t size) {
    if (size < 4)
        return 0;
    const uint8_t flags = data[0];
    const bool sizeKnown = (flags & 1) != 0;
    const unsigned entries = ((flags >> 1) & 3) + 1u;
    size_t pos = 1;

    auto unpack = std::make_unique<Unpack29>(kPpmdLimitMB);

    for (unsigned e = 0; e < entries; ++e) {
        const bool last = e + 1 == entries;
        if (size - pos < (last ? 3u : 6u))
            return 0;
        const uint32_t unpSize = le24(data + pos);
        size_t packed = size - pos - (last ? 3 : 6);
        if (!last)
            packed = std::min<size_t>(packed, le24(data + pos + 3));
        pos += last ? 3 : 6;
        MemorySource source({data + pos, packed});
        pos += packed;

        CountingSink sink;
        const Status st = unpack->decodeEntry(source, unpSize, sizeKnown, e > 0, &sink);
        if (sizeKnown)
            RARFUZZ_CHECK(sink.written <= unpSize);
        if (st != Status::Ok)
            break;
        if (sizeKnown)
            RARFUZZ_CHECK(sink.written == unpSize);
    }
    return 0;
}

} // namespace rarfuzz

RARFUZZ_ENTRY(fuzzLz29)
