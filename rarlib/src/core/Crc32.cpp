#include "core/Crc32.h"

#include <array>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define RARLIB_CRC_CLMUL 1
#endif

namespace rarlib {
namespace {

using Tables = std::array<std::array<uint32_t, 256>, 8>;

constexpr Tables makeTables() {
    Tables t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        }
        t[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i) {
        for (size_t k = 1; k < 8; ++k) {
            t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
        }
    }
    return t;
}

constexpr Tables kTables = makeTables();

uint32_t tableUpdate(uint32_t c, const uint8_t* p, size_t n) {
    while (n >= 8) {
        const uint32_t lo = c ^ (static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                                 (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24));
        const uint32_t hi = static_cast<uint32_t>(p[4]) | (static_cast<uint32_t>(p[5]) << 8) |
                            (static_cast<uint32_t>(p[6]) << 16) | (static_cast<uint32_t>(p[7]) << 24);
        c = kTables[7][lo & 0xFF] ^ kTables[6][(lo >> 8) & 0xFF] ^ kTables[5][(lo >> 16) & 0xFF] ^
            kTables[4][lo >> 24] ^ kTables[3][hi & 0xFF] ^ kTables[2][(hi >> 8) & 0xFF] ^
            kTables[1][(hi >> 16) & 0xFF] ^ kTables[0][hi >> 24];
        p += 8;
        n -= 8;
    }
    while (n-- > 0) {
        c = kTables[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
    }
    return c;
}

#ifdef RARLIB_CRC_CLMUL

// Carry-less multiplication folds 64 bytes per step. A 128-bit value moved on by d bits is congruent to
// (its higher-degree half) * (x^(d+32) mod P) + (its lower-degree half) * (x^(d-32) mod P); with the
// reflected bit order the higher-degree half is the low 64 bits, and the constants are stored
// bit-reflected and shifted left by one.
constexpr uint32_t reflect32(uint32_t v) {
    uint32_t r = 0;
    for (int i = 0; i < 32; ++i) {
        if (v & (1u << i)) {
            r |= 1u << (31 - i);
        }
    }
    return r;
}

constexpr long long foldConstant(unsigned exponent) {
    uint32_t v = 1;
    for (unsigned i = 0; i < exponent; ++i) {
        v = (v << 1) ^ ((v & 0x80000000u) ? 0x04C11DB7u : 0u);
    }
    return static_cast<long long>(static_cast<uint64_t>(reflect32(v)) << 1);
}

__attribute__((target("pclmul,sse2"))) inline __m128i fold(__m128i x, __m128i k, __m128i next) {
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)),
                         next);
}

__attribute__((target("pclmul,sse2"))) inline __m128i load(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// n >= 64
__attribute__((target("pclmul,sse2"))) uint32_t clmulUpdate(uint32_t c, const uint8_t* p, size_t n) {
    const __m128i by512 = _mm_set_epi64x(foldConstant(512 - 32), foldConstant(512 + 32));
    const __m128i by128 = _mm_set_epi64x(foldConstant(128 - 32), foldConstant(128 + 32));
    __m128i x0 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(c)));
    __m128i x1 = load(p + 16);
    __m128i x2 = load(p + 32);
    __m128i x3 = load(p + 48);
    p += 64;
    n -= 64;
    for (; n >= 64; p += 64, n -= 64) {
        x0 = fold(x0, by512, load(p));
        x1 = fold(x1, by512, load(p + 16));
        x2 = fold(x2, by512, load(p + 32));
        x3 = fold(x3, by512, load(p + 48));
    }
    x1 = fold(x0, by128, x1);
    x2 = fold(x1, by128, x2);
    x3 = fold(x2, by128, x3);
    for (; n >= 16; p += 16, n -= 16) {
        x3 = fold(x3, by128, load(p));
    }
    // The remaining 128-bit value, taken as message bytes, has the same CRC as everything so far.
    alignas(16) uint8_t rest[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(rest), x3);
    return tableUpdate(tableUpdate(0, rest, sizeof(rest)), p, n);
}

// CPUID itself rather than __builtin_cpu_supports, whose feature table costs the DLL about 5 KB. Asked
// once at load, at namespace scope: a function-local static would need the runtime's thread-safe guard.
const bool kHaveClmul = [] {
    unsigned a = 0, b = 0, c = 0, d = 0;
    return __get_cpuid(1, &a, &b, &c, &d) && (c & bit_PCLMUL) && (d & bit_SSE2);
}();

bool haveClmul() {
    return kHaveClmul;
}

#endif

} // namespace

void Crc32::update(const uint8_t* p, size_t n) {
#ifdef RARLIB_CRC_CLMUL
    if (n >= 64 && haveClmul()) {
        state_ = clmulUpdate(state_, p, n);
        return;
    }
#endif
    state_ = tableUpdate(state_, p, n);
}

uint32_t crc32(std::span<const uint8_t> data) {
    Crc32 c;
    c.update(data);
    return c.value();
}

} // namespace rarlib
