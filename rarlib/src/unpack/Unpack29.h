#pragma once

#include <cstdint>
#include <vector>

#include "filters/FilterSet.h"
#include "ppmd/PpmdModel.h"
#include "unpack/BitInput.h"
#include "unpack/ByteSource.h"
#include "unpack/Huffman.h"
#include "unpack/LzWindow.h"
#include "unpack/Unpack29Tables.h"

namespace rarlib {

// Decoder of the 2.9 method (unpack version 29). One object holds the state of a solid stream: window,
// Huffman tables, recent distances, the PPMd model and the filters. Blocks switch between LZ and PPMd
// within an entry and across the entries of a solid stream.
class Unpack29 {
public:
    // Model memory a PPM block may ask for (the format allows up to 256 MB). A 32-bit process keeps
    // room in its address space for the window, the output and the caller.
    static constexpr uint32_t kDefaultPpmdLimitMB =
        sizeof(void*) < 8 ? 128 : ppmd::PpmdModel::kFormatMaxHeapMB;

    explicit Unpack29(uint32_t ppmdLimitMB = kDefaultPpmdLimitMB);

    // Forget the stream; the next entry starts afresh even if it claims to be solid.
    void resetStream();

    // Decodes one entry from `input` into `sink` (null: decode only, as a solid stream needs for a
    // skipped entry). `solid`: continue the stream of the previous entry. Exactly `unpSize` bytes must
    // come out unless the size is unknown. On any error the stream is unusable until resetStream().
    Status decodeEntry(ByteSource& input, uint64_t unpSize, bool sizeKnown, bool solid, OutputSink* sink);

private:
    // Output is handed on in steps of this size (and the window border advances with it). Larger than
    // any filter block, so a pending block always completes within the next step.
    static constexpr uint64_t kFlushStep = 1u << 20;

    Status readTables();
    Status startPpmBlock();
    Status readFilterRecord();
    // Each decodes until about kFlushStep bytes are pending, the entry ends, the block type changes,
    // or an error.
    Status decodeLzStep(bool& endOfEntry);
    Status decodePpmStep(bool& endOfEntry);
    // Why the PPM block stopped: a read error of the input, or the model's own status.
    Status ppmFailure() const;
    // Writes what is decoded through the pending filters; at the entry's end nothing may be left.
    Status writeOut(bool entryDone, OutputSink* sink);

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
    bool ppmBlock_ = false;
    ppmd::PpmdModel ppm_;
    filters::FilterSet filters_;
    std::vector<uint8_t> filterBody_;
    // The current entry's output positions in the stream (end UINT64_MAX when the size is unknown).
    uint64_t fileStart_ = 0;
    uint64_t fileEnd_ = 0;
};

namespace lz29 {
// Repeat distance (1-based) against the bytes produced so far in this stream; 0 and distances reaching
// before the stream start are corrupt.
inline bool distanceValid(uint32_t dist, uint64_t pos) {
    return dist != 0 && dist <= pos;
}
} // namespace lz29

} // namespace rarlib
