#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "Lz20Writer.h"

#include "unpack/ByteSource.h"
#include "unpack20/Unpack20.h"

namespace rarlib::testing {

class VectorSink final : public OutputSink {
public:
    Status write(const uint8_t* data, size_t size) override {
        bytes.insert(bytes.end(), data, data + size);
        return Status::Ok;
    }
    std::vector<uint8_t> bytes;
};

std::vector<uint8_t> noise(size_t n, uint32_t seed);
std::vector<uint8_t> wave(size_t n, unsigned channels);

// A stream written after the writer's first (LZ) block was begun.
struct StreamCase {
    const char* name;
    std::function<void(Lz20Writer&)> write;
};
const std::vector<StreamCase>& streamCases();

inline Status decode20(Unpack20& u, std::span<const uint8_t> packed, uint64_t size, bool solid,
                       std::vector<uint8_t>& out) {
    MemorySource src(packed);
    VectorSink sink;
    const Status st = u.decodeEntry(src, size, true, solid, &sink);
    out = std::move(sink.bytes);
    return st;
}

} // namespace rarlib::testing
