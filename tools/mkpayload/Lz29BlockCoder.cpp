#include "Lz29BlockCoder.h"

#include "HuffmanCode.h"

#include <span>

namespace mkpayload::lz29 {
namespace {

constexpr std::array<unsigned, 4> kTableStart = {kMainStart, kDistStart, kLowStart, kRepStart};
constexpr unsigned kMain = 0, kDist = 1, kLow = 2, kRep = 3;
constexpr uint64_t kUnusable = ~0ull;

std::array<uint32_t, kTableSize> Count(const std::vector<TToken>& tokens) {
    std::array<uint32_t, kTableSize> counts{};
    for (const TToken& t : tokens) {
        ++counts[kTableStart[kMain] + t.main];
        if (t.rep != TToken::kNone) {
            ++counts[kTableStart[kRep] + t.rep];
        }
        if (t.dist != TToken::kNone) {
            ++counts[kTableStart[kDist] + t.dist];
        }
        if (t.low != TToken::kNone) {
            ++counts[kTableStart[kLow] + t.low];
        }
    }
    // The block is always left through symbol 256: at the entry's end or to change tables.
    ++counts[kEndOfBlock];
    return counts;
}

uint64_t CodedBits(const std::array<uint32_t, kTableSize>& counts, const TCodeLengths& lengths) {
    uint64_t bits = 0;
    for (unsigned i = 0; i < kTableSize; ++i) {
        if (counts[i] > 0) {
            if (lengths[i] == 0) {
                return kUnusable;
            }
            bits += uint64_t{counts[i]} * lengths[i];
        }
    }
    return bits;
}

TCodeLengths FitLengths(const std::array<uint32_t, kTableSize>& counts) {
    TCodeLengths lengths{};
    const std::array<unsigned, 4> sizes = {kMainSymbols, kDistSymbols, kLowSymbols, kRepSymbols};
    for (unsigned t = 0; t < 4; ++t) {
        const std::vector<uint8_t> part =
            BuildCodeLengths(std::span(counts).subspan(kTableStart[t], sizes[t]), kMaxCodeLength);
        std::copy(part.begin(), part.end(), lengths.begin() + kTableStart[t]);
    }
    return lengths;
}

std::vector<uint16_t> CodesOf(const TCodeLengths& lengths) {
    std::vector<uint16_t> codes;
    const std::array<unsigned, 5> bounds = {0, kTableStart[1], kTableStart[2], kTableStart[3], kTableSize};
    for (unsigned t = 0; t < 4; ++t) {
        const std::vector<uint16_t> part =
            CanonicalCodes(std::span(lengths).subspan(bounds[t], bounds[t + 1] - bounds[t]));
        codes.insert(codes.end(), part.begin(), part.end());
    }
    return codes;
}

} // namespace

void TBlockCoder::PutSymbol(TBitWriter& out, unsigned table, unsigned symbol) const {
    const unsigned i = kTableStart[table] + symbol;
    out.Put(current_.codes[i], current_.lengths[i]);
}

void TBlockCoder::AddFilterRecord(std::vector<uint8_t> record) {
    block_.push_back(TToken{.main = kFilterRecord});
    records_.push_back(std::move(record));
}

void TBlockCoder::PutTokens(TBitWriter& out) {
    size_t record = 0;
    for (const TToken& t : block_) {
        PutSymbol(out, kMain, t.main);
        if (t.main == kFilterRecord) {
            for (const uint8_t b : records_[record++]) {
                out.Put(b, 8);
            }
            continue;
        }
        if (t.rep != TToken::kNone) {
            PutSymbol(out, kRep, t.rep);
        }
        out.Put(t.lengthExtra, t.lengthBits);
        if (t.dist != TToken::kNone) {
            PutSymbol(out, kDist, t.dist);
            out.Put(t.distExtra, t.distBits);
            if (t.low != TToken::kNone) {
                PutSymbol(out, kLow, t.low);
            }
        }
    }
    block_.clear();
    records_.clear();
}

void TBlockCoder::Flush(TBitWriter& out) {
    if (block_.empty() && haveTables_) {
        return;
    }
    const std::array<uint32_t, kTableSize> counts = Count(block_);
    const TCodeLengths fitted = FitLengths(counts);
    const uint64_t withCurrent = haveTables_ ? CodedBits(counts, current_.lengths) : kUnusable;
    if (withCurrent != kUnusable) {
        // Changing tables costs symbol 256, one bit, the padding and the header.
        const uint64_t change = current_.lengths[kEndOfBlock] + 1 + 4 +
                                WriteTableHeader(fitted, current_.lengths, nullptr) +
                                CodedBits(counts, fitted);
        if (withCurrent <= change) {
            PutTokens(out);
            return;
        }
    }
    if (haveTables_) {
        PutSymbol(out, kMain, kEndOfBlock);
        out.Put(1, 1); // a new table follows, not the end of the entry
    }
    out.Align();
    WriteTableHeader(fitted, current_.lengths, &out);
    current_.lengths = fitted;
    current_.codes = CodesOf(fitted);
    haveTables_ = true;
    Flush(out);
}

void TBlockCoder::EndEntry(TBitWriter& out) {
    Flush(out);
    PutSymbol(out, kMain, kEndOfBlock);
    out.Put(0, 1); // end of the entry
    out.Put(0, 1); // the next entry goes on with these tables
    out.Align();
}

} // namespace mkpayload::lz29
