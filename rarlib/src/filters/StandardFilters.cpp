#include "filters/StandardFilters.h"

#include <cstdlib>

namespace rarlib::filters {

namespace {

uint32_t load32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
void store32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

constexpr uint32_t kLargeBlock = kGlobalAreaStart;     // in-place filters
constexpr uint32_t kSmallBlock = kGlobalAreaStart / 2; // filters that write after their input

} // namespace

void decodeE8(uint8_t* data, uint32_t len, uint32_t filePos, bool alsoE9) {
    // The archiver turned relative CALL (and JMP) targets into absolute ones within a 16 MB file
    // image; undo that where the stored value is one it could have produced.
    constexpr uint32_t kFileSize = 0x1000000;
    if (len <= 4)
        return;
    for (uint32_t i = 0; i < len - 4;) {
        const uint8_t op = data[i++];
        if (op != 0xE8 && !(alsoE9 && op == 0xE9))
            continue;
        const uint32_t offset = filePos + i;
        const uint32_t addr = load32(data + i);
        if (addr & 0x80000000u) {
            if (((addr + offset) & 0x80000000u) == 0)
                store32(data + i, addr + kFileSize);
        } else if ((addr - kFileSize) & 0x80000000u) {
            store32(data + i, addr - offset);
        }
        i += 4;
    }
}

namespace {

uint32_t getBits(const uint8_t* bundle, unsigned bitPos, unsigned n) {
    return (load32(bundle + bitPos / 8) >> (bitPos % 8)) & ((1u << n) - 1);
}
void setBits(uint8_t* bundle, unsigned bitPos, unsigned n, uint32_t v) {
    uint8_t* p = bundle + bitPos / 8;
    const uint32_t mask = ((1u << n) - 1) << (bitPos % 8);
    store32(p, (load32(p) & ~mask) | ((v << (bitPos % 8)) & mask));
}

} // namespace

void decodeItanium(uint8_t* data, uint32_t len, uint32_t filePos) {
    // Which of a bundle's three 41-bit slots hold branches, by bundle template 0x10..0x1F.
    static constexpr uint8_t kBranchSlots[16] = {4, 4, 6, 6, 0, 0, 7, 7, 4, 4, 0, 0, 4, 4, 0, 0};
    if (len <= 21)
        return;
    uint32_t bundleNo = filePos >> 4;
    for (uint32_t b = 0; b < len - 21; b += 16, ++bundleNo) {
        uint8_t* bundle = data + b;
        const unsigned tmpl = bundle[0] & 0x1F;
        if (tmpl < 0x10)
            continue;
        const unsigned slots = kBranchSlots[tmpl - 0x10];
        for (unsigned slot = 0; slot < 3; ++slot) {
            if ((slots & (1u << slot)) == 0)
                continue;
            const unsigned start = slot * 41 + 5;
            if (getBits(bundle, start + 37, 4) == 5) {
                const uint32_t target = getBits(bundle, start + 13, 20);
                setBits(bundle, start + 13, 20, (target - bundleNo) & 0xFFFFF);
            }
        }
    }
}

void decodeDelta(const uint8_t* src, uint8_t* dst, uint32_t len, uint32_t channels) {
    // The input holds each channel's byte differences one channel after the other.
    for (uint32_t ch = 0; ch < channels && ch < len; ++ch) {
        uint8_t prev = 0;
        for (uint32_t d = ch; d < len; d += channels) {
            prev = static_cast<uint8_t>(prev - *src++);
            dst[d] = prev;
        }
    }
}

void decodeRgb(const uint8_t* src, uint8_t* dst, uint32_t len, uint32_t stride, uint32_t redPos) {
    for (uint32_t ch = 0; ch < 3; ++ch) {
        int prev = 0;
        for (uint32_t i = ch; i < len; i += 3) {
            int pred = prev;
            if (i >= stride) {
                // Paeth prediction from the left, upper and upper-left pixels of this colour.
                const int up = dst[i - stride + 3];
                const int upLeft = dst[i - stride];
                const int full = prev + up - upLeft;
                const int pa = std::abs(full - prev);
                const int pb = std::abs(full - up);
                const int pc = std::abs(full - upLeft);
                pred = (pa <= pb && pa <= pc) ? prev : (pb <= pc) ? up : upLeft;
            }
            prev = (pred - *src++) & 0xFF;
            dst[i] = static_cast<uint8_t>(prev);
        }
    }
    // Red and blue were stored as differences to green.
    for (uint32_t i = redPos; i + 2 < len; i += 3) {
        dst[i] = static_cast<uint8_t>(dst[i] + dst[i + 1]);
        dst[i + 2] = static_cast<uint8_t>(dst[i + 2] + dst[i + 1]);
    }
}

void decodeAudio(const uint8_t* src, uint8_t* dst, uint32_t len, uint32_t channels) {
    for (uint32_t ch = 0; ch < channels && ch < len; ++ch) {
        unsigned prevByte = 0;
        int prevDelta = 0;
        int d1 = 0, d2 = 0, d3 = 0;
        int k1 = 0, k2 = 0, k3 = 0;
        unsigned dif[7] = {};
        unsigned n = 0;
        for (uint32_t i = ch; i < len; i += channels, ++n) {
            d3 = d2;
            d2 = prevDelta - d1;
            d1 = prevDelta;
            const int predicted =
                ((8 * static_cast<int>(prevByte) + k1 * d1 + k2 * d2 + k3 * d3) >> 3) & 0xFF;
            const unsigned cur = *src++;
            const unsigned out = static_cast<unsigned>(predicted - static_cast<int>(cur)) & 0xFF;
            dst[i] = static_cast<uint8_t>(out);
            prevDelta = static_cast<int8_t>(out - prevByte);
            prevByte = out;

            // Every 32 samples, nudge the predictor's weights toward the smallest recent error.
            const int d = static_cast<int8_t>(cur) * 8;
            dif[0] += std::abs(d);
            dif[1] += std::abs(d - d1);
            dif[2] += std::abs(d + d1);
            dif[3] += std::abs(d - d2);
            dif[4] += std::abs(d + d2);
            dif[5] += std::abs(d - d3);
            dif[6] += std::abs(d + d3);
            if ((n & 0x1F) != 0)
                continue;
            unsigned best = 0;
            for (unsigned j = 1; j < 7; ++j)
                if (dif[j] < dif[best])
                    best = j;
            for (unsigned& x : dif)
                x = 0;
            switch (best) {
            case 1:
                k1 -= k1 >= -16;
                break;
            case 2:
                k1 += k1 < 16;
                break;
            case 3:
                k2 -= k2 >= -16;
                break;
            case 4:
                k2 += k2 < 16;
                break;
            case 5:
                k3 -= k3 >= -16;
                break;
            case 6:
                k3 += k3 < 16;
                break;
            default:
                break;
            }
        }
    }
}

bool filterParametersValid(const FilterInvocation& f) {
    const uint32_t len = f.blockLength;
    switch (f.type) {
    case FilterType::E8:
    case FilterType::E8E9:
    case FilterType::Itanium:
        return len < kLargeBlock;
    case FilterType::Delta:
    case FilterType::Audio:
        return len < kSmallBlock && f.regs[0] >= 1 && f.regs[0] <= kMaxChannels;
    case FilterType::Rgb:
        return len >= 3 && len < kSmallBlock && f.regs[0] >= 3 && f.regs[0] - 3 <= len && f.regs[1] <= 2;
    }
    return false;
}

FilterStatus runFilter(const FilterInvocation& f, uint32_t filePos, uint8_t* mem, FilterResult& result) {
    if (!filterParametersValid(f))
        return FilterStatus::BadData;
    const uint32_t len = f.blockLength;
    result = FilterResult{0, len};
    switch (f.type) {
    case FilterType::E8:
    case FilterType::E8E9:
        decodeE8(mem, len, filePos, f.type == FilterType::E8E9);
        break;
    case FilterType::Itanium:
        decodeItanium(mem, len, filePos);
        break;
    case FilterType::Delta:
        decodeDelta(mem, mem + len, len, f.regs[0]);
        result.offset = len;
        break;
    case FilterType::Rgb:
        decodeRgb(mem, mem + len, len, f.regs[0], f.regs[1]);
        result.offset = len;
        break;
    case FilterType::Audio:
        decodeAudio(mem, mem + len, len, f.regs[0]);
        result.offset = len;
        break;
    }
    return FilterStatus::Ok;
}

} // namespace rarlib::filters
