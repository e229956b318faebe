#pragma once

#include <cstdint>

#include "core/Status.h"
#include "unpack/BitInput.h"
#include "unpack/ByteSource.h"
#include "unpack/Huffman.h"
#include "unpack/LzWindow.h"
#include "unpack20/AudioPredictor.h"
#include "unpack20/Unpack20Tables.h"

namespace rarlib {

// Decoder of the 2.0 method (unpack versions 20 and 26): Huffman-coded LZ with a 1 MiB reach, and
// multimedia blocks of predicted bytes. One object holds the state of a solid stream.
class Unpack20 {
public:
    Unpack20();

    // Forget the stream; the next entry starts afresh even if it claims to be solid.
    void resetStream();

    // Decodes one entry from `input` into `sink` (null: decode only). `solid`: continue the stream of
    // the previous entry. The method has no end marker, so the size must be known: exactly `unpSize`
    // bytes come out. On any error the stream is unusable until resetStream().
    Status decodeEntry(ByteSource& input, uint64_t unpSize, bool sizeKnown, bool solid, OutputSink* sink);

private:
    static constexpr uint64_t kFlushStep = 1u << 20;

    Status decodeBody(ByteSource& input, uint64_t unpSize, bool sizeKnown, bool solid, OutputSink* sink);
    Status readTables();
    Status decodeStep(uint64_t fileEnd);
    Status flush(OutputSink* sink);
    bool atLeastBytesLeft(unsigned bytes);
    void readTrailingTables();

    LzWindow window_;
    BitInput input_;
    uint64_t written_ = 0; // stream position up to which output went to the sink
    HuffmanTable<lz20::kMainSymbols, 10> main_;
    HuffmanTable<lz20::kDistSymbols, 8> dist_;
    HuffmanTable<lz20::kRepSymbols, 7> rep_;
    HuffmanTable<lz20::kAudioSymbols, 9> audio_[lz20::kMaxChannels];
    AudioPredictor predictor_;
    uint8_t oldLengths_[lz20::kLengthArray] = {};
    uint32_t oldDist_[4] = {};
    unsigned oldDistPtr_ = 0;
    uint32_t lastDist_ = 0;
    uint32_t lastLength_ = 0;
    bool tablesRead_ = false;
    bool audioBlock_ = false;
    unsigned channels_ = 1;
    unsigned curChannel_ = 0;
    // Why the stream cannot be continued: an error, or damaged tables after an entry's last byte (that
    // entry itself was complete, but the next solid one cannot be decoded).
    Status pending_ = Status::Ok;
};

} // namespace rarlib
