#include "Lz29TableCoder.h"

#include "HuffmanCode.h"

#include <vector>

namespace mkpayload::lz29 {
namespace {

constexpr unsigned kPreSymbols = 20;
constexpr unsigned kMaxRun = 138;

struct TPreToken {
    uint8_t symbol;
    uint8_t extraBits;
    uint8_t extra;
};

// Symbols 0..15 are changes modulo 16, 16/17 repeat the previous length, 18/19 write zeros.
std::vector<TPreToken> RunLengthCode(const TCodeLengths& lengths, const TCodeLengths& base) {
    std::vector<TPreToken> tokens;
    const auto runOf = [&](unsigned from, uint8_t value) {
        unsigned n = 0;
        while (from + n < kTableSize && n < kMaxRun && lengths[from + n] == value) {
            ++n;
        }
        return n;
    };
    const auto run = [&](unsigned n, uint8_t shortSymbol) {
        if (n >= 11) {
            tokens.push_back({static_cast<uint8_t>(shortSymbol + 1), 7, static_cast<uint8_t>(n - 11)});
        } else {
            tokens.push_back({shortSymbol, 3, static_cast<uint8_t>(n - 3)});
        }
    };
    for (unsigned i = 0; i < kTableSize;) {
        if (lengths[i] == 0) {
            if (const unsigned n = runOf(i, 0); n >= 3) {
                run(n, 18);
                i += n;
                continue;
            }
        } else if (i > 0 && lengths[i] == lengths[i - 1]) {
            if (const unsigned n = runOf(i, lengths[i]); n >= 3) {
                run(n, 16);
                i += n;
                continue;
            }
        }
        tokens.push_back({static_cast<uint8_t>((lengths[i] - base[i]) & 15), 0, 0});
        ++i;
    }
    return tokens;
}

struct TCoding {
    std::vector<TPreToken> tokens;
    std::vector<uint8_t> preLengths;
    uint64_t bits = 0;
};

TCoding Measure(const TCodeLengths& lengths, const TCodeLengths& base) {
    TCoding coding;
    coding.tokens = RunLengthCode(lengths, base);
    std::vector<uint32_t> counts(kPreSymbols, 0);
    for (const TPreToken& t : coding.tokens) {
        ++counts[t.symbol];
    }
    coding.preLengths = BuildCodeLengths(counts, kMaxCodeLength);
    coding.bits = 2; // LZ bit and keep bit
    for (unsigned i = 0; i < kPreSymbols;) {
        unsigned zeros = 0;
        while (i + zeros < kPreSymbols && zeros < 17 && coding.preLengths[i + zeros] == 0) {
            ++zeros;
        }
        if (zeros >= 3) {
            coding.bits += 8;
            i += zeros;
        } else {
            coding.bits += coding.preLengths[i] == 15 ? 8 : 4;
            ++i;
        }
    }
    for (const TPreToken& t : coding.tokens) {
        coding.bits += coding.preLengths[t.symbol] + t.extraBits;
    }
    return coding;
}

void Write(const TCoding& coding, bool keep, TBitWriter& out) {
    out.Put(0, 1); // LZ, not PPM
    out.Put(keep ? 1 : 0, 1);
    // Pre-code lengths in 4 bits; 15 escapes: "15 0" is length 15, "15 n" is n + 2 zeros.
    for (unsigned i = 0; i < kPreSymbols;) {
        unsigned zeros = 0;
        while (i + zeros < kPreSymbols && zeros < 17 && coding.preLengths[i + zeros] == 0) {
            ++zeros;
        }
        if (zeros >= 3) {
            out.Put(15, 4);
            out.Put(zeros - 2, 4);
            i += zeros;
        } else {
            out.Put(coding.preLengths[i], 4);
            if (coding.preLengths[i] == 15) {
                out.Put(0, 4);
            }
            ++i;
        }
    }
    const std::vector<uint16_t> codes = CanonicalCodes(coding.preLengths);
    for (const TPreToken& t : coding.tokens) {
        out.Put(codes[t.symbol], coding.preLengths[t.symbol]);
        out.Put(t.extra, t.extraBits);
    }
}

} // namespace

uint64_t WriteTableHeader(const TCodeLengths& lengths, const TCodeLengths& previous, TBitWriter* out) {
    const TCodeLengths zeros{};
    const TCoding plain = Measure(lengths, zeros);
    const TCoding changes = Measure(lengths, previous);
    const bool keep = changes.bits < plain.bits;
    const TCoding& chosen = keep ? changes : plain;
    if (out != nullptr) {
        Write(chosen, keep, *out);
    }
    return chosen.bits;
}

} // namespace mkpayload::lz29
