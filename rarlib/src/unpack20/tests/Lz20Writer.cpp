#include "Lz20Writer.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <queue>
#include <stdexcept>

namespace rarlib::testing {
namespace {

constexpr uint32_t kLenBase[28] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  10,  12,  14,  16,  20,
                                   24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224};
constexpr unsigned kLenBits[28] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2,
                                   2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
constexpr uint32_t kShortBase[8] = {0, 4, 8, 16, 32, 64, 128, 192};
constexpr unsigned kShortBits[8] = {2, 2, 3, 4, 5, 6, 6, 6};

// Distance slot table written out as the published list of slot starts.
constexpr uint32_t kDistBase[48] = {
    0,      1,      2,      3,      4,      6,      8,      12,     16,     24,     32,     48,
    64,     96,     128,    192,    256,    384,    512,    768,    1024,   1536,   2048,   3072,
    4096,   6144,   8192,   12288,  16384,  24576,  32768,  49152,  65536,  98304,  131072, 196608,
    262144, 327680, 393216, 458752, 524288, 589824, 655360, 720896, 786432, 851968, 917504, 983040};
unsigned distBits(unsigned slot) {
    return slot + 1 < 48 ? std::bit_width(kDistBase[slot + 1] - kDistBase[slot]) - 1 : 16;
}

constexpr size_t kTableSizes[3] = {298, 48, 28};

size_t alphabet(uint16_t table) {
    return table < 3 ? kTableSizes[table] : 257;
}

} // namespace

std::vector<uint8_t> huffmanLengths(const std::vector<uint32_t>& freqIn) {
    std::vector<uint32_t> freq = freqIn;
    const size_t n = freq.size();
    for (;;) {
        std::vector<uint8_t> len(n, 0);
        using Node = std::pair<uint64_t, int>;
        std::priority_queue<Node, std::vector<Node>, std::greater<>> q;
        std::vector<int> parent;
        for (size_t s = 0; s < n; ++s) {
            if (freq[s] > 0) {
                q.push({freq[s], static_cast<int>(parent.size())});
                parent.push_back(-1);
            }
        }
        std::vector<size_t> leafSymbol;
        for (size_t s = 0; s < n; ++s) {
            if (freq[s] > 0) {
                leafSymbol.push_back(s);
            }
        }
        if (leafSymbol.size() == 1) {
            // A complete code of two one-bit codes; some readers refuse a lone code.
            len[leafSymbol[0]] = 1;
            len[leafSymbol[0] == 0 ? 1 : 0] = 1;
            return len;
        }
        while (q.size() > 1) {
            const Node a = q.top();
            q.pop();
            const Node b = q.top();
            q.pop();
            const int id = static_cast<int>(parent.size());
            parent.push_back(-1);
            parent[a.second] = id;
            parent[b.second] = id;
            q.push({a.first + b.first, id});
        }
        unsigned maxLen = 0;
        for (size_t i = 0; i < leafSymbol.size(); ++i) {
            unsigned depth = 0;
            for (int p = parent[i]; p >= 0; p = parent[p]) {
                ++depth;
            }
            len[leafSymbol[i]] = static_cast<uint8_t>(depth);
            maxLen = std::max(maxLen, depth);
        }
        if (maxLen <= 15) {
            return len;
        }
        for (uint32_t& f : freq) {
            if (f > 0) {
                f = f / 2 + 1;
            }
        }
    }
}

std::vector<uint32_t> canonicalCodes(const std::vector<uint8_t>& lengths) {
    std::vector<uint32_t> codes(lengths.size(), 0);
    uint32_t code = 0;
    for (unsigned len = 1; len <= 15; ++len) {
        for (size_t s = 0; s < lengths.size(); ++s) {
            if (lengths[s] == len) {
                codes[s] = code++;
            }
        }
        code <<= 1;
    }
    return codes;
}

void Lz20Writer::startBlock(Block b) {
    if (!blocks_.empty()) {
        // Announced by the block before, in its own code.
        const Block& prev = blocks_.back();
        blocks_.back().codes.push_back(prev.audio ? Code{static_cast<uint16_t>(3 + channel_), 256, 0, 0}
                                                  : Code{0, 269, 0, 0});
    }
    if (b.audio) {
        channels_ = b.channels;
        if (channel_ >= channels_) {
            channel_ = 0;
        }
    }
    blocks_.push_back(std::move(b));
}

void Lz20Writer::beginLzBlock(bool keep, bool flat) {
    Block b;
    b.keep = keep;
    b.flat = flat;
    startBlock(std::move(b));
}

void Lz20Writer::beginAudioBlock(unsigned channels, bool keep, bool flat) {
    Block b;
    b.audio = true;
    b.flat = flat;
    b.keep = keep;
    b.channels = channels;
    startBlock(std::move(b));
}

void Lz20Writer::copy(uint32_t length, uint32_t distance) {
    if (length == 0) {
        return;
    }
    if (distance == 0 || distance > out_.size()) {
        if (!allowBad_) {
            throw std::logic_error("distance before the stream start");
        }
        out_.insert(out_.end(), length, 0);
        return;
    }
    for (uint32_t i = 0; i < length; ++i) {
        out_.push_back(out_[out_.size() - distance]);
    }
}

void Lz20Writer::literal(uint8_t b) {
    blocks_.back().codes.push_back({0, b, 0, 0});
    out_.push_back(b);
}

void Lz20Writer::literals(std::span<const uint8_t> bytes) {
    for (uint8_t b : bytes) {
        literal(b);
    }
}

void Lz20Writer::lengthCode(uint16_t table, uint32_t value) {
    for (uint16_t slot = 28; slot-- > 0;) {
        if (value >= kLenBase[slot]) {
            if (value - kLenBase[slot] >= (1u << kLenBits[slot])) {
                throw std::logic_error("length out of range");
            }
            const uint16_t symbol = table == 0 ? static_cast<uint16_t>(270 + slot) : slot;
            blocks_.back().codes.push_back(
                {table, symbol, static_cast<uint8_t>(kLenBits[slot]), value - kLenBase[slot]});
            return;
        }
    }
}

void Lz20Writer::pushDistance(uint32_t length, uint32_t distance) {
    ring_[ringPtr_++ & 3] = distance;
    lastDist_ = distance;
    lastLength_ = length;
    copy(length, distance);
}

void Lz20Writer::match(uint32_t length, uint32_t distance) {
    const uint32_t base = length - (distance >= 0x2000) - (distance >= 0x40000);
    if (base < 3) {
        throw std::logic_error("match too short for its distance");
    }
    lengthCode(0, base - 3);
    const uint32_t d = distance - 1;
    for (uint16_t slot = 48; slot-- > 0;) {
        if (d >= kDistBase[slot]) {
            blocks_.back().codes.push_back(
                {1, slot, static_cast<uint8_t>(distBits(slot)), d - kDistBase[slot]});
            break;
        }
    }
    pushDistance(length, distance);
}

void Lz20Writer::repeatOld(unsigned k, uint32_t length) {
    const uint32_t distance = oldDistance(k);
    const uint32_t base = length - (distance >= 0x101) - (distance >= 0x2000) - (distance >= 0x40000);
    blocks_.back().codes.push_back({0, static_cast<uint16_t>(257 + k), 0, 0});
    lengthCode(2, base - 2);
    pushDistance(length, distance);
}

void Lz20Writer::repeatLast() {
    blocks_.back().codes.push_back({0, 256, 0, 0});
    pushDistance(lastLength_, lastDist_);
}

void Lz20Writer::shortMatch(uint32_t distance) {
    const uint32_t d = distance - 1;
    for (uint16_t k = 8; k-- > 0;) {
        if (d >= kShortBase[k]) {
            blocks_.back().codes.push_back(
                {0, static_cast<uint16_t>(261 + k), static_cast<uint8_t>(kShortBits[k]), d - kShortBase[k]});
            break;
        }
    }
    pushDistance(2, distance);
}

// The predictor as the format defines it, kept apart from the decoder's so that the two are checked
// against each other (and against an independent reader, where one is installed).
uint8_t Lz20Writer::residual(unsigned channel, uint8_t value) {
    AudioChannel& v = audio_[channel];
    ++v.n;
    v.d[3] = v.d[2];
    v.d[2] = v.d[1];
    v.d[1] = v.lastDelta - v.d[0];
    v.d[0] = v.lastDelta;
    int p = 8 * v.last + v.k[0] * v.d[0] + v.k[1] * v.d[1] + v.k[2] * v.d[2] + v.k[3] * v.d[3] +
            v.k[4] * crossDelta_;
    p = (p >> 3) & 0xFF;
    const uint8_t r = static_cast<uint8_t>(p - value);
    const int e = static_cast<int8_t>(r) * 8;
    const int others[5] = {v.d[0], v.d[1], v.d[2], v.d[3], crossDelta_};
    v.dif[0] += std::abs(e);
    for (int i = 0; i < 5; ++i) {
        v.dif[2 * i + 1] += std::abs(e - others[i]);
        v.dif[2 * i + 2] += std::abs(e + others[i]);
    }
    crossDelta_ = v.lastDelta = static_cast<int8_t>(value - v.last);
    v.last = value;
    if (v.n % 32 == 0) {
        unsigned best = 0;
        for (unsigned i = 1; i < 11; ++i) {
            if (v.dif[i] < v.dif[best]) {
                best = i;
            }
        }
        std::fill(std::begin(v.dif), std::end(v.dif), 0u);
        if (best > 0) {
            int& k = v.k[(best - 1) / 2];
            if (best % 2 == 1 && k >= -16) {
                --k;
            } else if (best % 2 == 0 && k < 16) {
                ++k;
            }
        }
    }
    return r;
}

void Lz20Writer::audio(std::span<const uint8_t> bytes) {
    for (uint8_t b : bytes) {
        blocks_.back().codes.push_back({static_cast<uint16_t>(3 + channel_), residual(channel_, b), 0, 0});
        out_.push_back(b);
        if (++channel_ == channels_) {
            channel_ = 0;
        }
    }
}

void Lz20Writer::emitTables(mkpayload::TBitWriter& w, Block& b) {
    const size_t count = b.audio ? 257 * b.channels : 298 + 48 + 28;
    std::vector<uint8_t> lengths(count, 0);
    if (b.flat) {
        // A complete code of lengths k-1 and k, as short as the alphabet allows.
        const unsigned tables = b.audio ? b.channels : 3;
        size_t at = 0;
        for (unsigned t = 0; t < tables; ++t) {
            const size_t n = alphabet(static_cast<uint16_t>(b.audio ? 3 + t : t));
            const unsigned k = std::bit_width(n - 1);
            const size_t shorter = (size_t{1} << k) - n;
            for (size_t i = 0; i < n; ++i) {
                lengths[at + i] = static_cast<uint8_t>(i < shorter ? k - 1 : k);
            }
            at += n;
        }
    } else {
        // Lengths per table from the block's own symbols.
        const unsigned tables = b.audio ? b.channels : 3;
        size_t at = 0;
        for (unsigned t = 0; t < tables; ++t) {
            const uint16_t id = static_cast<uint16_t>(b.audio ? 3 + t : t);
            std::vector<uint32_t> freq(alphabet(id), 0);
            for (const Code& c : b.codes) {
                if (c.table == id) {
                    ++freq[c.symbol];
                }
            }
            const std::vector<uint8_t> l = huffmanLengths(freq);
            std::copy(l.begin(), l.end(), lengths.begin() + at);
            at += l.size();
        }
    }
    w.Put(b.audio ? 1 : 0, 1);
    w.Put(b.keep ? 1 : 0, 1);
    if (b.audio) {
        w.Put(b.channels - 1, 2);
    }
    if (!b.keep) {
        std::fill(oldLengths_.begin(), oldLengths_.end(), 0);
    }
    // Pre-code symbols: 0-15 change the old length, 16 repeats the previous length 3-6 times,
    // 17 and 18 write 3-10 and 11-138 zeros.
    struct Pre {
        uint8_t sym;
        unsigned bits;
        uint32_t extra;
    };
    std::vector<Pre> pre;
    for (size_t i = 0; i < count;) {
        size_t run = 1;
        while (i + run < count && lengths[i + run] == lengths[i]) {
            ++run;
        }
        if (lengths[i] == 0 && run >= 11) {
            const size_t n = std::min<size_t>(run, 138);
            pre.push_back({18, 7, static_cast<uint32_t>(n - 11)});
            i += n;
        } else if (lengths[i] == 0 && run >= 3) {
            const size_t n = std::min<size_t>(run, 10);
            pre.push_back({17, 3, static_cast<uint32_t>(n - 3)});
            i += n;
        } else if (i > 0 && lengths[i] == lengths[i - 1] && run >= 3) {
            const size_t n = std::min<size_t>(run, 6);
            pre.push_back({16, 2, static_cast<uint32_t>(n - 3)});
            i += n;
        } else {
            pre.push_back({static_cast<uint8_t>((lengths[i] - oldLengths_[i]) & 15), 0, 0});
            ++i;
        }
    }
    std::vector<uint32_t> freq(19, 0);
    for (const Pre& p : pre) {
        ++freq[p.sym];
    }
    const std::vector<uint8_t> preLen = huffmanLengths(freq);
    const std::vector<uint32_t> preCode = canonicalCodes(preLen);
    for (uint8_t l : preLen) {
        w.Put(l, 4);
    }
    for (const Pre& p : pre) {
        w.Put(preCode[p.sym], preLen[p.sym]);
        w.Put(p.extra, p.bits);
    }
    std::copy(lengths.begin(), lengths.end(), oldLengths_.begin());
    b.lengths = std::move(lengths);
}

void Lz20Writer::emitCodes(mkpayload::TBitWriter& w, const Block& b) {
    const unsigned tables = b.audio ? b.channels : 3;
    std::vector<std::vector<uint8_t>> len(7);
    std::vector<std::vector<uint32_t>> code(7);
    size_t at = 0;
    for (unsigned t = 0; t < tables; ++t) {
        const uint16_t id = static_cast<uint16_t>(b.audio ? 3 + t : t);
        len[id].assign(b.lengths.begin() + at, b.lengths.begin() + at + alphabet(id));
        code[id] = canonicalCodes(len[id]);
        at += alphabet(id);
    }
    for (const Code& c : b.codes) {
        if (len[c.table].empty() || len[c.table][c.symbol] == 0) {
            throw std::logic_error("symbol without a code");
        }
        w.Put(code[c.table][c.symbol], len[c.table][c.symbol]);
        w.Put(c.extra, c.extraBits);
    }
}

std::vector<uint8_t> Lz20Writer::endEntry(unsigned announce) {
    mkpayload::TBitWriter w;
    Block next;
    if (announce > 0) {
        next.flat = true;
        next.audio = announce > 1;
        next.channels = announce > 1 ? announce - 1 : 1;
        startBlock(next);
        next = std::move(blocks_.back());
        blocks_.pop_back();
    }
    for (Block& b : blocks_) {
        if (!b.tableWritten) {
            emitTables(w, b);
            b.tableWritten = true;
        }
        emitCodes(w, b);
    }
    if (announce > 0) {
        emitTables(w, next);
        next.tableWritten = true;
        blocks_.clear();
        blocks_.push_back(std::move(next));
    } else if (!blocks_.empty()) {
        blocks_.erase(blocks_.begin(), blocks_.end() - 1);
    }
    blocks_.back().codes.clear();
    return w.Finish();
}

} // namespace rarlib::testing
