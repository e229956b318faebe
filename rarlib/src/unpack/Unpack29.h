#pragma once

#include <cstdint>

#include "unpack/BitInput.h"
#include "unpack/ByteSource.h"
#include "unpack/FilterHook.h"
#include "unpack/Huffman.h"
#include "unpack/LzWindow.h"
#include "unpack/Unpack29Tables.h"

namespace rarlib {

// Decoder of the 2.9 LZ method (unpack version 29). One object holds the state of a solid stream:
// window, Huffman tables, recent distances. PPMd blocks and filter records are the extension points:
// without a handler they end the entry with Status::UnknownFormat.
class Unpack29 {
public:
    Unpack29();

    // Forget the stream; the next entry starts afresh even if it claims to be solid.
    void resetStream();

    // Decodes one entry from `input` into `sink`. `solid`: continue the stream of the previous entry.
    // Exactly `unpSize` bytes must come out unless the size is unknown. On any error the stream is
    // unusable until resetStream().
    Status decodeEntry(ByteSource& input, uint64_t unpSize, bool sizeKnown, bool solid, OutputSink* sink);

    void setFilterHandler(FilterHandler* handler) { filters_ = handler; }

private:
    // Output is handed on in steps of this size (and the window border advances with it).
    static constexpr uint64_t kFlushStep = 1u << 20;

    Status readTables();
    Status startPpmBlock();
    Status readFilterRecord();
    Status decodeStep(bool& endOfEntry);

    LzWindow window_;
    BitInput input_;
    HuffmanTable<lz29::kMainSymbols, 10> main_;
    HuffmanTable<lz29::kDistSymbols, 9> dist_;
    HuffmanTable<lz29::kLowDistSymbols, 7> lowDist_;
    HuffmanTable<lz29::kRepSymbols, 7> rep_;
    uint8_t oldLengths_[lz29::kTableLengths] = {};
    uint32_t oldDist_[4] = {};
    uint32_t lastLength_ = 0;
    uint32_t prevLowDist_ = 0;
    uint32_t lowDistRepCount_ = 0;
    bool tablesRead_ = false;
    FilterHandler* filters_ = nullptr;
};

} // namespace rarlib
