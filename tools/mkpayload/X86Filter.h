// The format's x86 filter (E8E9): relative CALL and JMP targets in machine code become absolute
// ones, which repeat across a program and so compress better. Readers undo it for the blocks a
// filter record names; they recognise the filter by its program's bytes, so those are sent as the
// format defines them, never run.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace mkpayload::x86 {

// Bytes of an entry: [begin, end).
struct TRange {
    uint64_t begin = 0;
    uint64_t end = 0;
};

// How many leading bytes FindCode wants to see; a PE's headers lie well within them.
constexpr size_t kHeaderBytes = 4096;
// Readers accept blocks far larger; this many keeps the records rare and the held data small.
constexpr uint32_t kBlockSize = 0x10000;

// The code sections of a 32- or 64-bit x86 PE image, judged by its headers (`head`: the entry's
// first bytes), clipped to the entry's size, sorted and merged. Empty for anything else.
std::vector<TRange> FindCode(std::span<const uint8_t> head, uint64_t entrySize);

// The transform the readers undo, over one filter block in place; `filePos` is the block's offset in
// its entry. Operands that reach past the block's last four bytes stay as they are, as readers skip them.
void EncodeBlock(std::span<uint8_t> block, uint32_t filePos);

// The standard E8E9 program, as every reader identifies it (57 bytes).
std::span<const uint8_t> ProgramBytes();

// A filter record for one block starting where the decoder stands, in the bytes that follow MAIN
// symbol 257. The first record of a stream defines the filter afresh (and resets the readers' filter
// table); later ones name the last filter and repeat the length only when it changed.
std::vector<uint8_t> Record(bool define, bool newLength, uint32_t length);

} // namespace mkpayload::x86
