// Methods 0x31..0x35: the RAR 2.9 LZ compressor. One solid stream runs through all entries: the
// window, the last distances and the Huffman tables carry over, as the decoder keeps them.
#pragma once

#include "BitWriter.h"
#include "DataPacker.h"
#include "Lz29BlockCoder.h"
#include "MatchFinder.h"

#include "X86Filter.h"

#include <array>
#include <deque>
#include <optional>

namespace mkpayload {

constexpr int kMinLevel = 1;
constexpr int kMaxLevel = 5;

class TLz29Packer final : public TDataPacker {
public:
    // Level 1 (fastest) .. 5 (smallest); it is also recorded as the method byte. With `x86Filter`
    // the code sections of x86 programs go through the format's E8E9 filter.
    explicit TLz29Packer(int level, bool x86Filter = true);

    void BeginEntry(uint64_t unpackedSize) override;
    bool Pack(std::span<const uint8_t> data, TByteSink& out) override;
    bool EndEntry(TByteSink& out, TPackedForm& form) override;

private:
    struct TChoice {
        enum class EKind { Literal, NewDistance, OldDistance, Short } kind = EKind::Literal;
        unsigned length = 1;
        uint32_t distance = 0;
        unsigned oldIndex = 0;
        int gain = 0; // estimated bits saved against literals
    };
    struct TSettings {
        unsigned depth;    // hash chain steps, or tree nodes walked when optimal
        unsigned good;     // a match this long cuts the remaining chain steps to a quarter
        unsigned enough;   // a match this long ends the search
        bool lazy;         // look one byte ahead before taking a match
        unsigned indexAll; // longer matches leave their inner positions out of the index (0: never)
        bool optimal;      // choose the cheapest path through a stretch instead, with matches from the
                           // binary trees (a match of `enough` bytes ends the stretch)
    };
    static TSettings SettingsOf(int level);
    // A position of the stretch being planned: the cheapest way found to reach it, and the decoder's
    // distances and last length after that way.
    struct TNode {
        uint32_t price;
        uint32_t from;
        TChoice step;
        std::array<uint32_t, 4> oldDistances;
        unsigned lastLength;
    };

    // A stretch of the stream that a filter record covers: matches neither cross into nor out of it.
    struct TFilterBlock {
        uint64_t start;
        uint64_t end;
        bool sent = false;
    };

    void Release();
    uint64_t NextBoundary(uint64_t at) const;
    void EmitFilterRecords();
    void UpdatePrices();
    int DistanceCost(uint32_t distance) const;
    int ShortCost(uint32_t distance) const; // a length-2 match
    int NewDistanceCost(unsigned length, uint32_t distance) const;
    int OldDistanceCost(unsigned index, unsigned length, unsigned lastLength) const;
    int NewDistanceGain(unsigned length, uint32_t distance) const;
    int OldDistanceGain(unsigned index, unsigned length) const;
    void Encode(uint64_t limit);
    void EncodeOptimal(uint64_t limit);
    void Plan(uint64_t limit);
    void Step(const TChoice& choice);
    TChoice Best(uint64_t at);
    void Emit(const TChoice& choice, uint64_t at);
    bool Drain(TByteSink& out);

    int level_;
    TSettings settings_;
    lz29::TMatchFinder finder_;
    lz29::TBlockCoder coder_;
    TBitWriter bits_;
    lz29::TCodeLengths prices_{}; // bits per symbol, from the tables in force
    // Bits of a length value (0..255) with its extra bits: new-distance lengths, repeat lengths.
    std::array<uint16_t, 256> newLengthPrices_{};
    std::array<uint16_t, 256> oldLengthPrices_{};
    int literalPrice_ = 8;
    std::array<uint32_t, 4> oldDistances_{};
    unsigned lastLength_ = 0;
    uint64_t position_ = 0; // next stream byte to encode
    uint64_t entryEnd_ = 0;
    std::optional<TChoice> ahead_; // the choice already made for position_, from the lazy look
    std::vector<TNode> nodes_;
    std::vector<TChoice> path_;
    std::vector<lz29::TMatch> matches_;
    bool firstEntry_ = true;

    // The entry's bytes that have arrived but wait for the rest of their filter block.
    bool x86Filter_;
    std::vector<uint8_t> held_;
    uint64_t heldFrom_ = 0; // entry offset of held_[0]
    uint64_t entryStart_ = 0;
    uint64_t received_ = 0;
    bool codeKnown_ = false;               // the entry's code has been looked for
    std::vector<x86::TRange> entryBlocks_; // its filter blocks, entry offsets
    size_t nextBlock_ = 0;                 // the first of them not yet transformed
    std::deque<TFilterBlock> filters_;     // blocks the encoder has not passed yet
    bool filterDefined_ = false;
    uint32_t filterLength_ = 0;
};

} // namespace mkpayload
