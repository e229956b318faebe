// The PPM blocks of the 2.9 method: the block header, and the symbol loop with its escape codes. The
// output goes through the same window as LZ output, so matches of either kind may refer to both.
#include "unpack/Unpack29.h"

#include "filters/FilterRecord.h"
#include "ppmd/PpmdCommands.h"

namespace rarlib {

Status Unpack29::ppmFailure() const {
    if (input_.readError() != Status::Ok) {
        return input_.readError();
    }
    const ppmd::PpmdStatus st = ppm_.status();
    return st == ppmd::PpmdStatus::Ok ? Status::BadData : static_cast<Status>(static_cast<int>(st));
}

Status Unpack29::startPpmBlock() {
    // The header is whole bytes from the aligned position; its first byte carries the PPM flag.
    if (ppm_.decodeInit(input_) != ppmd::PpmdStatus::Ok) {
        return ppmFailure();
    }
    ppmBlock_ = true;
    return Status::Ok;
}

Status Unpack29::decodePpmStep(bool& endOfEntry) {
    uint8_t* const win = window_.data();
    uint64_t pos = window_.pos();
    const uint64_t stop = window_.prepare(window_.written() + kFlushStep);
    Status result = Status::Ok;
    ppmd::PpmdCommand cmd;
    while (pos < stop) {
        if (!ppmd::decodePpmCommand(ppm_, input_, cmd)) {
            result = ppmFailure();
            break;
        }
        if (cmd.kind == ppmd::PpmdCommand::Literal) {
            win[pos & LzWindow::kMask] = cmd.literal;
            ++pos;
            continue;
        }
        if (cmd.kind == ppmd::PpmdCommand::Match) {
            // The distance field reaches 16 MB; anything beyond the window cannot be meant.
            if (!lz29::distanceValid(cmd.distance, pos) || cmd.distance > LzWindow::kSize) {
                result = Status::BadData;
                break;
            }
            LzWindow::copyMatch(win, pos, cmd.distance, cmd.length);
            pos += cmd.length;
            continue;
        }
        if (cmd.kind == ppmd::PpmdCommand::Filter) {
            uint8_t first = 0;
            if (filters::readFilterRecord([this] { return ppm_.decodeChar(input_); }, first, filterBody_) !=
                filters::FilterStatus::Ok) {
                result = ppmFailure();
                break;
            }
            const auto st = filters_.addRecord(first, filterBody_, pos, fileEnd_);
            if (st != filters::FilterStatus::Ok) {
                result = static_cast<Status>(static_cast<int>(st));
                break;
            }
            continue;
        }
        window_.setPos(pos);
        if (cmd.kind == ppmd::PpmdCommand::EndOfFile) {
            endOfEntry = true;
            return Status::Ok;
        }
        // A new block header (LZ or PPM) follows at the next byte; the caller goes on with its kind.
        return readTables();
    }
    window_.setPos(pos);
    return result;
}

} // namespace rarlib
