#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "Lz20Writer.h"
#include "OldArchive.h"

#include "unpack20/Unpack20.h"

namespace rarlib::testing {

std::vector<uint8_t> noise(size_t n, uint32_t seed);
std::vector<uint8_t> wave(size_t n, unsigned channels);

// A stream written after the writer's first (LZ) block was begun.
struct StreamCase {
    const char* name;
    std::function<void(Lz20Writer&)> write;
};
const std::vector<StreamCase>& streamCases();

} // namespace rarlib::testing
