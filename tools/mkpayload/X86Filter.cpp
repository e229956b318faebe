#include "X86Filter.h"

#include "BitWriter.h"

#include <algorithm>
#include <array>

namespace mkpayload::x86 {
namespace {

constexpr std::array<uint8_t, 57> kE8E9Program = {
    0x84, 0x1b, 0x01, 0x28, 0x11, 0x10, 0x69, 0x80, 0x80, 0x00, 0x00, 0x0d, 0x13, 0xa1, 0x01,
    0xc6, 0x89, 0xd2, 0x80, 0xac, 0x97, 0x62, 0x85, 0x5c, 0xc9, 0x05, 0xc9, 0x2f, 0x81, 0x48,
    0xc8, 0xaa, 0x98, 0x18, 0x95, 0x72, 0x88, 0x81, 0xaa, 0xc9, 0x5b, 0x00, 0x20, 0xab, 0x6a,
    0x03, 0x35, 0x58, 0x11, 0xa2, 0x48, 0x21, 0xb0, 0x12, 0x91, 0xf4, 0xb8};

// Addresses are made absolute within an image of this size, as the readers assume.
constexpr int64_t kImageSize = 0x1000000;
// The readers add an operand's position to it in 32 bits and look at the sign: from 2 GiB into a
// file on, what they undo is no longer what was done, so code there stays as it is.
constexpr uint64_t kFilteredReach = 0x80000000;

constexpr uint32_t kCodeSection = 0x00000020;
constexpr uint32_t kExecutable = 0x20000000;

uint32_t Load16(std::span<const uint8_t> b, size_t at) {
    return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8;
}
uint32_t Load32(std::span<const uint8_t> b, size_t at) {
    return Load16(b, at) | Load16(b, at + 2) << 16;
}

// The format's variable-length number, in its shortest form.
void PutNumber(TBitWriter& out, uint32_t v) {
    if (v < 16) {
        out.Put(0, 2), out.Put(v, 4);
    } else if (v < 256) {
        out.Put(1, 2), out.Put(v, 8);
    } else if (v < 65536) {
        out.Put(2, 2), out.Put(v, 16);
    } else {
        out.Put(3, 2), out.Put(v, 32);
    }
}

} // namespace

std::vector<TRange> FindCode(std::span<const uint8_t> head, uint64_t entrySize) {
    std::vector<TRange> code;
    if (head.size() < 0x40 || head[0] != 'M' || head[1] != 'Z') {
        return code;
    }
    const uint32_t pe = Load32(head, 0x3C);
    if (pe > head.size() || head.size() - pe < 24 || Load32(head, pe) != 0x00004550) {
        return code;
    }
    const uint32_t machine = Load16(head, pe + 4);
    if (machine != 0x014C && machine != 0x8664) {
        return code;
    }
    const uint32_t sections = Load16(head, pe + 6);
    const uint64_t table = uint64_t{pe} + 24 + Load16(head, pe + 20);
    for (uint32_t i = 0; i < sections && table + 40 * (i + 1) <= head.size(); ++i) {
        const size_t at = static_cast<size_t>(table + 40 * i);
        const uint64_t size = Load32(head, at + 16);
        const uint64_t offset = Load32(head, at + 20);
        const uint64_t end = std::min({entrySize, offset + size, kFilteredReach});
        if ((Load32(head, at + 36) & (kCodeSection | kExecutable)) != 0 && offset < end) {
            code.push_back({offset, end});
        }
    }
    std::sort(code.begin(), code.end(), [](const TRange& a, const TRange& b) { return a.begin < b.begin; });
    std::vector<TRange> merged;
    for (const TRange& r : code) {
        if (!merged.empty() && r.begin <= merged.back().end) {
            merged.back().end = std::max(merged.back().end, r.end);
        } else {
            merged.push_back(r);
        }
    }
    return merged;
}

void EncodeBlock(std::span<uint8_t> block, uint32_t filePos) {
    if (block.size() <= 4) {
        return;
    }
    for (size_t i = 0; i < block.size() - 4;) {
        const uint8_t op = block[i++];
        if (op != 0xE8 && op != 0xE9) {
            continue;
        }
        // Where the operand lies in the entry: what the target is relative to.
        const int64_t offset = static_cast<uint32_t>(filePos + i);
        const auto relative = static_cast<int32_t>(Load32(block, i));
        // Targets inside the image become absolute; those at its top wrap to just below zero, which
        // no relative target from here could be. Everything else stays, as the readers leave it.
        if (relative >= -offset && relative < kImageSize) {
            const int64_t stored = relative < kImageSize - offset ? relative + offset : relative - kImageSize;
            const auto v = static_cast<uint32_t>(stored);
            for (int k = 0; k < 4; ++k) {
                block[i + k] = static_cast<uint8_t>(v >> (8 * k));
            }
        }
        i += 4;
    }
}

std::span<const uint8_t> ProgramBytes() {
    return kE8E9Program;
}

std::vector<uint8_t> Record(bool define, bool newLength, uint32_t length) {
    TBitWriter body;
    uint8_t first = 0;
    if (define) {
        first |= 0x80;
        PutNumber(body, 0); // number 0: a fresh table whose first filter this is
    }
    PutNumber(body, 0); // the block starts where the decoder stands
    if (newLength || define) {
        first |= 0x20;
        PutNumber(body, length);
    }
    if (define) {
        PutNumber(body, static_cast<uint32_t>(kE8E9Program.size()));
        for (const uint8_t b : kE8E9Program) {
            body.Put(b, 8);
        }
    }
    const std::vector<uint8_t> bytes = body.Finish();
    std::vector<uint8_t> record;
    // The body's size goes into the flag byte's low bits, or into one or two bytes after it.
    if (bytes.size() <= 6) {
        record.push_back(static_cast<uint8_t>(first | (bytes.size() - 1)));
    } else if (bytes.size() <= 262) {
        record.push_back(static_cast<uint8_t>(first | 6));
        record.push_back(static_cast<uint8_t>(bytes.size() - 7));
    } else {
        record.push_back(static_cast<uint8_t>(first | 7));
        record.push_back(static_cast<uint8_t>(bytes.size() >> 8));
        record.push_back(static_cast<uint8_t>(bytes.size()));
    }
    record.insert(record.end(), bytes.begin(), bytes.end());
    return record;
}

} // namespace mkpayload::x86
