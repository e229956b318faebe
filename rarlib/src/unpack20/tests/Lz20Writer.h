// Test-side writer of 2.0-method streams, derived from the format's definition: Huffman blocks of
// literals and matches in every coding the method has, multimedia blocks with their own predictor,
// table changes inside an entry and after its end. It records what a decoder must produce.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "mkpayload/BitWriter.h"

namespace rarlib::testing {

// Code lengths (at most 15) for the given symbol frequencies; unused symbols get 0.
std::vector<uint8_t> huffmanLengths(const std::vector<uint32_t>& freq);
// Canonical codes for the lengths, as the decoder assigns them.
std::vector<uint32_t> canonicalCodes(const std::vector<uint8_t>& lengths);

class Lz20Writer {
public:
    // A block starts with its tables; a block after the first of an entry is announced in the
    // previous one. `keep`: code the lengths as changes to the previous table's. `flat`: every symbol
    // gets a code of the same length (for a block that goes on in later solid entries).
    void beginLzBlock(bool keep = false, bool flat = false);
    void beginAudioBlock(unsigned channels, bool keep = false, bool flat = false);

    void literal(uint8_t b);
    void literals(std::span<const uint8_t> bytes);
    // A match coded with a new distance (main symbols 270-297); `length` includes the adjustments
    // the decoder adds for long distances.
    void match(uint32_t length, uint32_t distance);
    // One of the last four distances (0 = the latest), main symbols 257-260.
    void repeatOld(unsigned k, uint32_t length);
    // The previous match again (main symbol 256).
    void repeatLast();
    // Length 2 at distance 1..256 (main symbols 261-268).
    void shortMatch(uint32_t distance);
    // Bytes of a multimedia block, coded as residuals of this writer's predictor.
    void audio(std::span<const uint8_t> bytes);

    // Ends the entry: its packed data. The next solid entry goes on with the last block, or with
    // `announce` > 0 with a new flat one whose tables end this entry's data (1 = LZ, 2..5 = multimedia
    // with announce - 1 channels).
    std::vector<uint8_t> endEntry(unsigned announce = 0);

    // Hostile streams: distances before the stream start are written, with zeros as their output.
    void allowBadDistances() { allowBad_ = true; }

    // Everything the decoder produces, over all entries so far.
    const std::vector<uint8_t>& output() const { return out_; }
    uint32_t oldDistance(unsigned k) const { return ring_[(ringPtr_ - 1 - k) & 3]; }

private:
    struct Code {
        uint16_t table; // 0 main, 1 distance, 2 repeat length, 3..6 audio channel
        uint16_t symbol;
        uint8_t extraBits;
        uint32_t extra;
    };
    struct Block {
        bool audio = false;
        bool keep = false;
        unsigned channels = 1;
        bool flat = false;         // every symbol coded with the same length
        bool tableWritten = false; // in an earlier entry
        std::vector<uint8_t> lengths;
        std::vector<Code> codes;
    };
    struct AudioChannel {
        int k[5] = {};
        int d[4] = {};
        int lastDelta = 0;
        int last = 0;
        unsigned n = 0;
        unsigned dif[11] = {};
    };

    void startBlock(Block b);
    void pushDistance(uint32_t length, uint32_t distance);
    void lengthCode(uint16_t table, uint32_t value); // value relative to the slot base
    void emitTables(mkpayload::TBitWriter& w, Block& b);
    void emitCodes(mkpayload::TBitWriter& w, const Block& b);
    void copy(uint32_t length, uint32_t distance);
    uint8_t residual(unsigned channel, uint8_t value);

    std::vector<Block> blocks_; // of the current entry
    std::vector<uint8_t> oldLengths_ = std::vector<uint8_t>(1028, 0);
    std::vector<uint8_t> out_;
    uint32_t ring_[4] = {};
    unsigned ringPtr_ = 0;
    uint32_t lastDist_ = 0, lastLength_ = 0;
    unsigned channel_ = 0;
    unsigned channels_ = 1;
    AudioChannel audio_[4];
    int crossDelta_ = 0;
    bool allowBad_ = false;
};

} // namespace rarlib::testing
