// Turns LZ tokens into the packed bits of the RAR 2.9 LZ method: statistics per block, fresh
// Huffman tables when they pay for themselves, otherwise the tables already in force, which in a
// solid stream carry over from one entry to the next as they do in the decoder.
#pragma once

#include "BitWriter.h"
#include "Lz29TableCoder.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mkpayload::lz29 {

// One decoder step: a MAIN symbol, then the REP symbol and raw length bits, then the DIST symbol,
// its raw bits and the LOW symbol, each only where the MAIN symbol calls for it.
struct TToken {
    uint16_t main = 0;
    uint8_t rep = kNone;
    uint8_t lengthBits = 0;
    uint16_t lengthExtra = 0;
    uint8_t dist = kNone;
    uint8_t distBits = 0;
    uint8_t low = kNone;
    uint32_t distExtra = 0;

    static constexpr uint8_t kNone = 0xFF;
};

class TBlockCoder {
public:
    void Add(const TToken& token) { block_.push_back(token); }
    // Symbol 257 and a filter record's bytes after it.
    void AddFilterRecord(std::vector<uint8_t> record);
    size_t Pending() const { return block_.size(); }
    // Writes the collected tokens, preceded by new tables when there are none yet or when new ones
    // cost less in total than coding the block with the current ones.
    void Flush(TBitWriter& out);
    // Flushes, then ends the entry: end-of-block, "end of file", "keep the tables", byte alignment.
    void EndEntry(TBitWriter& out);
    // The lengths in force (all zero before the first table): what a symbol will cost.
    const TCodeLengths& Lengths() const { return current_.lengths; }

private:
    struct TCodes {
        TCodeLengths lengths{};
        std::vector<uint16_t> codes;
    };
    void PutSymbol(TBitWriter& out, unsigned table, unsigned symbol) const;
    void PutTokens(TBitWriter& out);

    std::vector<TToken> block_;
    std::vector<std::vector<uint8_t>> records_; // of the block's 257 tokens, in order
    TCodes current_;
    bool haveTables_ = false; // the decoder holds tables (it read one and no entry ended with "new table")
};

} // namespace mkpayload::lz29
