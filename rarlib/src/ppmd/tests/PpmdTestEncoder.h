// The archiver's side of a PPM block, for tests and the benchmark: the same model driven by a range
// encoder, producing block headers and the escape codes the decoder interprets.
#pragma once

#include "ppmd/PpmdContextModel.h"

#include <cstdint>
#include <vector>

namespace rarlib::testing {

class PpmdTestEncoder {
public:
    // Starts a block. With `restart` the header carries the order (2..64) and the model size
    // (1..256 MB) and the model starts afresh; without, the model goes on. escChar < 0 keeps it.
    void startBlock(bool restart, unsigned order, unsigned heapMB, int escChar = -1);
    void literal(uint8_t byte);                     // escaped when it equals the escape character
    void match(uint32_t length, uint32_t distance); // escape 4 (32..287 at 2..) or 5 (4..259 at 1)
    void endBlock();                                // escape 0; the next block header follows
    void endFile();                                 // escape 2

    std::vector<uint8_t>& output() { return out_; }
    unsigned restarts() const { return restarts_; } // model restarts on exhausted memory so far

private:
    void symbol(uint8_t s);
    void encode(uint32_t start, uint32_t size, uint32_t total);
    void encodeBinary(uint32_t start, uint32_t size);
    void normalize();
    void flush();

    ppmd::ContextModel model_;
    std::vector<uint8_t> out_;
    uint32_t low_ = 0;
    uint32_t range_ = 0;
    uint8_t escChar_ = 2;
    unsigned restarts_ = 0;
};

} // namespace rarlib::testing
