#include "FilterTestKit.h"

#include "core/Crc32.h"

#include <stdexcept>

namespace rarlib::filters::testing {

void BitWriter::number(uint32_t v) {
    if (v < 16) {
        Put(0, 2);
        Put(v, 4);
    } else if (v < 256) {
        Put(1, 2);
        Put(v, 8);
    } else if (v < 65536) {
        Put(2, 2);
        Put(v, 16);
    } else {
        Put(3, 2);
        Put(v, 32);
    }
}

void BitWriter::bytes(const std::vector<uint8_t>& b) {
    for (uint8_t x : b)
        Put(x, 8);
}

namespace {

struct Fingerprint {
    uint32_t size;
    uint32_t crc;
};

Fingerprint fingerprint(FilterType type) {
    switch (type) {
    case FilterType::E8:
        return {53, 0xAD576887};
    case FilterType::E8E9:
        return {57, 0x3CD7E57E};
    case FilterType::Itanium:
        return {120, 0x3769893F};
    case FilterType::Delta:
        return {29, 0x0E06077D};
    case FilterType::Rgb:
        return {149, 0x1C2C5DC8};
    case FilterType::Audio:
        return {216, 0xBC85E701};
    }
    throw std::logic_error("no such filter");
}

} // namespace

uint32_t standardCodeSize(FilterType type) {
    return fingerprint(type).size;
}

std::vector<uint8_t> forgeStandardCode(FilterType type) {
    // The last four bytes are free; byte 0 is the XOR of the others. The CRC is then an affine
    // function of those 32 bits, so solve for them over GF(2).
    const Fingerprint fp = fingerprint(type);
    uint32_t seed = fp.crc;
    const size_t tail = fp.size - 4; // every standard code is far longer than 4 bytes
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::vector<uint8_t> code(fp.size);
        for (size_t i = 1; i + 4 < code.size(); ++i) {
            seed = seed * 1664525 + 1013904223;
            code[i] = static_cast<uint8_t>(seed >> 24);
        }
        auto crcWith = [&code, tail](uint32_t x) {
            for (int k = 0; k < 4; ++k)
                code[tail + k] = static_cast<uint8_t>(x >> (8 * k));
            uint8_t sum = 0;
            for (size_t i = 1; i < code.size(); ++i)
                sum ^= code[i];
            code[0] = sum;
            return crc32(code);
        };
        const uint32_t base = crcWith(0);
        uint32_t basisValue[32] = {};
        uint32_t basisCombo[32] = {};
        for (unsigned k = 0; k < 32; ++k) {
            uint32_t v = crcWith(1u << k) ^ base;
            uint32_t combo = 1u << k;
            for (int b = 31; b >= 0 && v != 0; --b) {
                if (!((v >> b) & 1))
                    continue;
                if (basisValue[b] == 0) {
                    basisValue[b] = v;
                    basisCombo[b] = combo;
                    v = 0;
                } else {
                    v ^= basisValue[b];
                    combo ^= basisCombo[b];
                }
            }
        }
        uint32_t target = fp.crc ^ base;
        uint32_t x = 0;
        for (int b = 31; b >= 0 && target != 0; --b) {
            if (((target >> b) & 1) && basisValue[b] != 0) {
                target ^= basisValue[b];
                x ^= basisCombo[b];
            }
        }
        if (target == 0 && crcWith(x) == fp.crc)
            return code;
    }
    throw std::runtime_error("could not forge a filter code");
}

Record buildRecord(const RecordFields& fields) {
    BitWriter w;
    uint8_t first = 0;
    if (fields.number) {
        first |= 0x80;
        w.number(*fields.number);
    }
    if (fields.startPlus258)
        first |= 0x40;
    w.number(fields.start);
    if (fields.length) {
        first |= 0x20;
        w.number(*fields.length);
    }
    uint32_t mask = 0;
    for (unsigned i = 0; i < 7; ++i)
        if (fields.regs[i])
            mask |= 1u << i;
    if (mask != 0) {
        first |= 0x10;
        w.Put(mask, 7);
        for (unsigned i = 0; i < 7; ++i)
            if (fields.regs[i])
                w.number(*fields.regs[i]);
    }
    if (!fields.code.empty()) {
        w.number(static_cast<uint32_t>(fields.code.size()));
        w.bytes(fields.code);
    }
    if (fields.globalSize) {
        first |= 0x08;
        w.number(*fields.globalSize);
        w.bytes(std::vector<uint8_t>(*fields.globalSize));
    }
    Record r;
    r.body = w.Finish();
    const size_t n = r.body.size();
    first |= static_cast<uint8_t>(n <= 6 ? n - 1 : n <= 262 ? 6 : 7);
    r.first = first;
    return r;
}

} // namespace rarlib::filters::testing
