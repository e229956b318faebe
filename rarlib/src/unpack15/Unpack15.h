#pragma once

#include <cstdint>

#include "core/Status.h"
#include "unpack/BitInput.h"
#include "unpack/ByteSource.h"
#include "unpack/LzWindow.h"
#include "unpack15/Ranking.h"
#include "unpack15/Unpack15Tables.h"

namespace rarlib {

// Decoder of the 1.5 method (unpack version 15): LZ with fixed prefix codes over adaptively ordered
// literals and distances, steered by flag bytes, and a literal-only mode for incompressible runs.
// Its reach is 64 KiB. One object holds the state of a solid stream; in a 1.5 archive every entry
// after the first of a solid archive continues it.
class Unpack15 {
public:
    Unpack15();

    // Forget the stream; the next entry starts afresh even if it claims to be solid.
    void resetStream();

    // Same contract as the other decoders: exactly `unpSize` bytes come out (the method has no end
    // marker, so the size must be known). On any error the stream is unusable until resetStream().
    Status decodeEntry(ByteSource& input, uint64_t unpSize, bool sizeKnown, bool solid, OutputSink* sink);

private:
    static constexpr uint64_t kFlushStep = 1u << 20;

    Status decodeBody(ByteSource& input, uint64_t unpSize, bool sizeKnown, OutputSink* sink);
    Status decodeStep(uint64_t fileEnd);
    Status flush(OutputSink* sink);
    uint32_t readCode(const lz15::StepCode& code);
    bool readFlags();
    bool nextFlag();
    bool literal();
    bool shortMatch();
    bool longMatch();
    bool copy(uint32_t dist, uint32_t length);
    void remember(uint32_t dist, uint32_t length);

    LzWindow window_;
    BitInput input_;
    uint64_t written_ = 0;
    uint64_t pos_ = 0;     // while decoding: the window position
    uint64_t fileEnd_ = 0; // while decoding: where the entry ends

    Ranking literals_;
    Ranking distances_;
    Ranking flagBytes_;
    uint8_t shortPlaces_[256] = {}; // ordering of short distances, moved one place per use

    uint32_t oldDist_[4] = {};
    unsigned oldDistPtr_ = 0;
    uint32_t lastDist_ = 0;
    uint32_t lastLength_ = 0;
    // Running averages and balances that pick codes and modes.
    uint32_t avrPlc_ = 0, avrPlcB_ = 0, avrLn1_ = 0, avrLn2_ = 0, avrLn3_ = 0;
    uint32_t literalWeight_ = 0, matchWeight_ = 0;
    uint32_t maxDist3_ = 0;
    uint32_t literalRun_ = 0;
    unsigned flexible_ = 0; // the toggled short-code length, less 3
    // Per entry.
    int flagsLeft_ = 0;
    uint8_t flags_ = 0;
    bool literalMode_ = false;
    unsigned repeats_ = 0;
    Status pending_ = Status::Ok;
};

} // namespace rarlib
