// The fuzz targets as plain functions: libFuzzer calls them through LLVMFuzzerTestOneInput, the
// replay test calls them directly on every saved input.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rarfuzz {

int fuzzArchive(const uint8_t* data, size_t size);
int fuzzLz29(const uint8_t* data, size_t size);
int fuzzPpmd(const uint8_t* data, size_t size);
int fuzzFilters(const uint8_t* data, size_t size);

} // namespace rarfuzz

// An invariant the library promises; a violation aborts, so the fuzzer keeps the input.
#define RARFUZZ_CHECK(cond) ((cond) ? (void)0 : ::rarfuzz::checkFailed(#cond, __FILE__, __LINE__))

namespace rarfuzz {
[[noreturn]] void checkFailed(const char* what, const char* file, int line);
} // namespace rarfuzz

// Only the libFuzzer build gets the entry point: the replay executable links all targets at once.
#ifdef RARFUZZ_LIBFUZZER
#define RARFUZZ_ENTRY(fn)                                                                                    \
    extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {                                \
        return rarfuzz::fn(data, size);                                                                      \
    }
#else
#define RARFUZZ_ENTRY(fn)
#endif
