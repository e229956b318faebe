#include "PpmStream.h"

namespace rarlib::testing {

using ppmd::PpmdCommand;
using ppmd::PpmdStatus;

PpmDecodeResult decodePpmEntry(ppmd::PpmdModel& model, std::span<const uint8_t> packed, size_t maxOutput) {
    PpmDecodeResult r;
    ppmd::SpanByteReader in(packed);
    auto startBlock = [&] {
        // A block header is PPM when the top bit of its first byte is set.
        if (in.position() < packed.size() && (packed[in.position()] & 0x80) == 0)
            return false;
        r.status = model.decodeInit(in);
        return r.status == PpmdStatus::Ok;
    };
    if (!startBlock()) {
        r.consumed = in.position();
        return r;
    }
    PpmdCommand cmd;
    while (r.output.size() < maxOutput) {
        if (!ppmd::decodePpmCommand(model, in, cmd)) {
            r.status = model.status();
            break;
        }
        if (cmd.kind == PpmdCommand::Literal) {
            r.output.push_back(cmd.literal);
        } else if (cmd.kind == PpmdCommand::Match) {
            if (cmd.distance > r.output.size())
                break;
            for (uint32_t i = 0; i < cmd.length; ++i)
                r.output.push_back(r.output[r.output.size() - cmd.distance]);
        } else if (cmd.kind == PpmdCommand::NewTable) {
            if (!startBlock())
                break;
        } else if (cmd.kind == PpmdCommand::EndOfFile) {
            r.ended = true;
            break;
        } else {
            break; // a filter record: not part of these streams
        }
    }
    r.consumed = in.position();
    return r;
}

} // namespace rarlib::testing
