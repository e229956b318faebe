// The PPM symbol loop's escape codes: after the escape character, a second symbol says what follows.
#pragma once

#include "ppmd/PpmdModel.h"

#include <cstdint>

namespace rarlib::ppmd {

struct PpmdCommand {
    enum Kind : uint8_t {
        Literal,   // put `literal`
        NewTable,  // escape 0: a new block header follows (LZ or PPM) at the reader's position
        EndOfFile, // escape 2
        Filter,    // escape 3: a filter record follows; its bytes are further decodeChar() symbols
        Match,     // escapes 4 and 5: copy `length` bytes from `distance` back
    };
    Kind kind = Literal;
    uint8_t literal = 0;
    uint32_t length = 0;
    uint32_t distance = 0;
};

// Decodes one command. Returns false on corrupt data (model.status() says why).
template <ByteInput R> bool decodePpmCommand(PpmdModel& model, R& in, PpmdCommand& cmd) {
    const int c = model.decodeChar(in);
    if (c < 0)
        return false;
    if (c != model.escChar()) {
        cmd.kind = PpmdCommand::Literal;
        cmd.literal = static_cast<uint8_t>(c);
        return true;
    }
    const int code = model.decodeChar(in);
    switch (code) {
    case -1:
        return false;
    case 0:
        cmd.kind = PpmdCommand::NewTable;
        return true;
    case 2:
        cmd.kind = PpmdCommand::EndOfFile;
        return true;
    case 3:
        cmd.kind = PpmdCommand::Filter;
        return true;
    case 4: {
        uint32_t distance = 0;
        for (int i = 0; i < 3; ++i) {
            const int b = model.decodeChar(in);
            if (b < 0)
                return false;
            distance = (distance << 8) | static_cast<uint32_t>(b);
        }
        const int len = model.decodeChar(in);
        if (len < 0)
            return false;
        cmd.kind = PpmdCommand::Match;
        cmd.distance = distance + 2;
        cmd.length = static_cast<uint32_t>(len) + 32;
        return true;
    }
    case 5: {
        const int len = model.decodeChar(in);
        if (len < 0)
            return false;
        cmd.kind = PpmdCommand::Match;
        cmd.distance = 1;
        cmd.length = static_cast<uint32_t>(len) + 4;
        return true;
    }
    default: // 1 and 6..255: the escape character itself as a literal
        cmd.kind = PpmdCommand::Literal;
        cmd.literal = static_cast<uint8_t>(model.escChar());
        return true;
    }
}

} // namespace rarlib::ppmd
