#include "Lz29Packer.h"

#include <algorithm>

namespace mkpayload {
namespace {

using namespace lz29;

constexpr size_t kBlockTokens = 1 << 12;
// Bytes kept beyond the position being encoded, so that a match or the lazy look never runs
// out of data that is still to come.
constexpr uint64_t kLookAhead = kMaxMatch + 2;
// Length-2 matches are looked for this far back only: farther ones rarely beat two literals.
constexpr uint32_t kShortReach = 64;
// Bits assumed for a symbol the tables in force do not have, or before there are tables.
constexpr uint8_t kUnseenMain = 13;
constexpr uint8_t kUnseenOther = 8;
constexpr uint8_t kFirstGuessLiteral = 8;
constexpr uint8_t kFirstGuessMatch = 9;

} // namespace

TLz29Packer::TSettings TLz29Packer::SettingsOf(int level) {
    static constexpr TSettings kSettings[] = {
        {4, 8, 24, false, 8, false}, {12, 16, 48, true, 24, false},       {32, 32, 96, true, 64, false},
        {24, 0, 96, false, 0, true}, {256, 0, kMaxMatch, false, 0, true},
    };
    return kSettings[level - kMinLevel];
}

TLz29Packer::TLz29Packer(int level, bool x86Filter)
    : level_(std::clamp(level, kMinLevel, kMaxLevel)), settings_(SettingsOf(level_)),
      finder_(settings_.optimal ? TMatchFinder::EIndex::Trees : TMatchFinder::EIndex::Chains),
      x86Filter_(x86Filter) {
    UpdatePrices();
}

void TLz29Packer::UpdatePrices() {
    const TCodeLengths& lengths = coder_.Lengths();
    const bool none = std::all_of(lengths.begin(), lengths.end(), [](uint8_t l) { return l == 0; });
    uint64_t literalBits = 0;
    unsigned literals = 0;
    for (unsigned i = 0; i < kTableSize; ++i) {
        if (none) {
            prices_[i] = i < 256 ? kFirstGuessLiteral : i < kDistStart ? kFirstGuessMatch : kUnseenOther;
        } else {
            prices_[i] = lengths[i] != 0 ? lengths[i] : i < kDistStart ? kUnseenMain : kUnseenOther;
        }
        if (i < 256 && lengths[i] != 0) {
            literalBits += lengths[i];
            ++literals;
        }
    }
    for (unsigned v = 0; v < 256; ++v) {
        const TSlot slot = LengthSlot(v);
        newLengthPrices_[v] = static_cast<uint16_t>(prices_[kFirstLengthSlot + slot.slot] + slot.bits);
        oldLengthPrices_[v] = static_cast<uint16_t>(prices_[kRepStart + slot.slot] + slot.bits);
    }
    // Match gains are counted against the literals they replace; a plain mean of the literal codes
    // in force (not weighted by use) keeps rare bytes from looking cheap.
    literalPrice_ =
        literals == 0 ? kFirstGuessLiteral : static_cast<int>((literalBits + literals / 2) / literals);
}

int TLz29Packer::DistanceCost(uint32_t distance) const {
    const TSlot slot = DistanceSlot(distance - 1);
    return prices_[kDistStart + slot.slot] +
           (slot.slot >= 10 ? slot.bits - 4 + prices_[kLowStart + (slot.extra & 15)] : slot.bits);
}

int TLz29Packer::ShortCost(uint32_t distance) const {
    const TSlot slot = ShortDistanceSlot(distance);
    return prices_[kFirstShortDistance + slot.slot] + slot.bits;
}

int TLz29Packer::NewDistanceCost(unsigned length, uint32_t distance) const {
    return newLengthPrices_[length - 3 - LengthBonus(distance)] + DistanceCost(distance);
}

int TLz29Packer::OldDistanceCost(unsigned index, unsigned length, unsigned lastLength) const {
    if (index == 0 && length == lastLength) {
        return prices_[kRepeatLast];
    }
    return prices_[kFirstOldDistance + index] + oldLengthPrices_[length - 2];
}

int TLz29Packer::NewDistanceGain(unsigned length, uint32_t distance) const {
    if (length < 3 + LengthBonus(distance)) {
        return -1;
    }
    return literalPrice_ * static_cast<int>(length) - NewDistanceCost(length, distance);
}

int TLz29Packer::OldDistanceGain(unsigned index, unsigned length) const {
    return literalPrice_ * static_cast<int>(length) - OldDistanceCost(index, length, lastLength_);
}

void TLz29Packer::BeginEntry(uint64_t unpackedSize) {
    entryStart_ = finder_.End();
    entryEnd_ = entryStart_ + unpackedSize;
    held_.clear();
    heldFrom_ = 0;
    received_ = 0;
    codeKnown_ = false;
    entryBlocks_.clear();
    nextBlock_ = 0;
}

void TLz29Packer::Release() {
    const uint64_t size = entryEnd_ - entryStart_;
    if (!codeKnown_) {
        if (received_ < std::min<uint64_t>(size, x86::kHeaderBytes)) {
            return;
        }
        codeKnown_ = true;
        const std::vector<x86::TRange> code =
            x86Filter_
                ? x86::FindCode(std::span(held_).first(std::min(held_.size(), x86::kHeaderBytes)), size)
                : std::vector<x86::TRange>{};
        for (const x86::TRange& range : code) {
            for (uint64_t at = range.begin; at < range.end; at += x86::kBlockSize) {
                const uint64_t end = std::min(range.end, at + x86::kBlockSize);
                entryBlocks_.push_back({at, end});
                filters_.push_back({entryStart_ + at, entryStart_ + end});
            }
        }
    }
    // Up to the first block still incomplete, transformed where a block covers it.
    uint64_t upTo = heldFrom_ + held_.size();
    for (; nextBlock_ < entryBlocks_.size(); ++nextBlock_) {
        const x86::TRange& block = entryBlocks_[nextBlock_];
        if (block.end > upTo) {
            upTo = block.begin;
            break;
        }
        x86::EncodeBlock(std::span(held_).subspan(block.begin - heldFrom_, block.end - block.begin),
                         static_cast<uint32_t>(block.begin));
    }
    const size_t count = static_cast<size_t>(upTo - heldFrom_);
    finder_.Append(std::span(held_).first(count), position_);
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(count));
    heldFrom_ = upTo;
}

bool TLz29Packer::Pack(std::span<const uint8_t> data, TByteSink& out) {
    if (data.size() > entryEnd_ - entryStart_ - received_) {
        return false; // more than the entry announced
    }
    held_.insert(held_.end(), data.begin(), data.end());
    received_ += data.size();
    Release();
    if (finder_.End() == entryEnd_) {
        Encode(entryEnd_);
    } else if (finder_.End() > kLookAhead) {
        Encode(finder_.End() - kLookAhead);
    }
    return Drain(out);
}

bool TLz29Packer::EndEntry(TByteSink& out, TPackedForm& form) {
    if (received_ != entryEnd_ - entryStart_) {
        return false; // fewer bytes than announced
    }
    Release();
    Encode(entryEnd_);
    coder_.EndEntry(bits_);
    UpdatePrices();
    if (!Drain(out)) {
        return false;
    }
    form = TPackedForm{.method = static_cast<uint8_t>(0x30 + level_),
                       .unpackVersion = 29,
                       .dictionaryBits = kDictionary4MbFlags,
                       .continuesSolid = !firstEntry_};
    firstEntry_ = false;
    return true;
}

uint64_t TLz29Packer::NextBoundary(uint64_t at) const {
    for (const TFilterBlock& block : filters_) {
        if (block.start > at) {
            return block.start;
        }
        if (block.end > at) {
            return block.end;
        }
    }
    return UINT64_MAX;
}

void TLz29Packer::EmitFilterRecords() {
    while (!filters_.empty() && filters_.front().end <= position_) {
        filters_.pop_front();
    }
    for (TFilterBlock& block : filters_) {
        if (block.start > position_) {
            break;
        }
        if (block.start == position_ && !block.sent) {
            const auto length = static_cast<uint32_t>(block.end - block.start);
            coder_.AddFilterRecord(x86::Record(!filterDefined_, length != filterLength_, length));
            filterDefined_ = true;
            filterLength_ = length;
            block.sent = true;
        }
    }
}

bool TLz29Packer::Drain(TByteSink& out) {
    const std::vector<uint8_t> bytes = bits_.TakeBytes();
    return bytes.empty() || out.Write(bytes);
}

void TLz29Packer::Encode(uint64_t limit) {
    if (settings_.optimal) {
        EncodeOptimal(limit);
        return;
    }
    while (position_ < limit) {
        EmitFilterRecords();
        TChoice choice = ahead_ ? *ahead_ : Best(position_);
        ahead_.reset();
        if (settings_.lazy && choice.kind != TChoice::EKind::Literal && choice.length < settings_.enough &&
            position_ + 1 < entryEnd_) {
            // A better match one byte on is worth a literal here.
            const TChoice next = Best(position_ + 1);
            if (next.gain > choice.gain + literalPrice_) {
                ahead_ = next;
                choice = TChoice{};
            }
        }
        Emit(choice, position_);
        if (settings_.indexAll != 0 && choice.length > settings_.indexAll && !ahead_) {
            // The match's first and last few positions stay findable.
            finder_.SkipIndex(position_ + 4, position_ + choice.length - 4);
        }
        position_ += choice.length;
        if (coder_.Pending() >= kBlockTokens) {
            coder_.Flush(bits_);
            UpdatePrices();
        }
    }
}

void TLz29Packer::Step(const TChoice& choice) {
    EmitFilterRecords();
    Emit(choice, position_);
    position_ += choice.length;
    if (coder_.Pending() >= kBlockTokens) {
        coder_.Flush(bits_);
        UpdatePrices();
    }
}

void TLz29Packer::EncodeOptimal(uint64_t limit) {
    while (position_ < limit) {
        Plan(limit);
        for (const TChoice& choice : path_) {
            Step(choice);
        }
    }
}

// The cheapest sequence of steps, by the prices of the tables in force, from position_ to the end of
// a stretch: kPlanSpan positions, less where the data ends or a match of settings_.enough bytes
// starts (that match closes it, since nothing near could beat it by much).
void TLz29Packer::Plan(uint64_t limit) {
    constexpr uint32_t kPlanSpan = 4096;
    constexpr uint32_t kUnreached = UINT32_MAX;
    const uint64_t start = position_;
    uint32_t span = static_cast<uint32_t>(std::min<uint64_t>(kPlanSpan, limit - start));
    // Nodes are readied as steps can first reach them: a stretch a long match closes early would
    // otherwise pay for the whole span.
    nodes_.resize(span + kMaxMatch + 1);
    nodes_[0] = TNode{0, 0, {}, oldDistances_, lastLength_};
    uint32_t readied = 1;
    const auto relax = [&](uint32_t from, uint32_t to, uint32_t price, const TChoice& step) {
        for (; readied <= to; ++readied) {
            nodes_[readied] = TNode{kUnreached, 0, {}, {}, 0};
        }
        if (price < nodes_[to].price) {
            nodes_[to].price = price;
            nodes_[to].from = from;
            nodes_[to].step = step;
        }
    };
    for (uint32_t i = 0; i < span; ++i) {
        TNode& node = nodes_[i];
        if (i > 0) {
            // The decoder's state after the cheapest way here.
            const TNode& prev = nodes_[node.from];
            node.oldDistances = prev.oldDistances;
            node.lastLength = prev.lastLength;
            const TChoice& step = node.step;
            auto& d = node.oldDistances;
            if (step.kind == TChoice::EKind::OldDistance) {
                std::copy_backward(d.begin(), d.begin() + step.oldIndex, d.begin() + step.oldIndex + 1);
                d[0] = step.distance;
                node.lastLength = step.length;
            } else if (step.kind != TChoice::EKind::Literal) {
                std::copy_backward(d.begin(), d.end() - 1, d.end());
                d[0] = step.distance;
                node.lastLength = step.length;
            }
        }
        const uint64_t at = start + i;
        const uint32_t price = node.price;
        relax(i, i + 1, price + prices_[finder_.ByteAt(at)], TChoice{});
        const unsigned maxLength =
            static_cast<unsigned>(std::min<uint64_t>({kMaxMatch, entryEnd_ - at, NextBoundary(at) - at}));
        if (maxLength < 2) {
            continue;
        }
        unsigned longest = 0;
        for (unsigned k = 0; k < 4; ++k) {
            const uint32_t distance = node.oldDistances[k];
            if (distance == 0 || distance > at || distance > kMaxDistance) {
                continue;
            }
            const unsigned length = finder_.MatchLength(at, distance, maxLength);
            const uint32_t base = price + prices_[kFirstOldDistance + k];
            for (unsigned l = 2; l <= length; ++l) {
                relax(i, i + l, base + oldLengthPrices_[l - 2],
                      TChoice{TChoice::EKind::OldDistance, l, distance, k, 0});
            }
            if (k == 0 && node.lastLength >= 2 && node.lastLength <= length) {
                relax(i, i + node.lastLength, price + prices_[kRepeatLast],
                      TChoice{TChoice::EKind::OldDistance, node.lastLength, distance, 0, 0});
            }
            longest = std::max(longest, length);
        }
        matches_.clear();
        if (longest < settings_.enough) {
            finder_.TreeSearch(at, maxLength, settings_.depth, [&](unsigned length, uint32_t distance) {
                matches_.push_back({length, distance});
            });
        }
        unsigned from = 3;
        for (const TMatch& m : matches_) {
            const unsigned bonus = LengthBonus(m.distance);
            const uint32_t base = price + DistanceCost(m.distance);
            for (unsigned l = std::max(from, 3 + bonus); l <= m.length; ++l) {
                relax(i, i + l, base + newLengthPrices_[l - 3 - bonus],
                      TChoice{TChoice::EKind::NewDistance, l, m.distance, 0, 0});
            }
            from = std::max(from, m.length + 1);
            longest = std::max(longest, m.length);
        }
        if (const uint32_t distance = finder_.NearestPair(at, kShortReach); distance != 0) {
            relax(i, i + 2, price + ShortCost(distance), TChoice{TChoice::EKind::Short, 2, distance, 0, 0});
        }
        if (longest >= settings_.enough) {
            span = i + longest;
            break;
        }
    }
    path_.clear();
    for (uint32_t i = span; i > 0; i = nodes_[i].from) {
        path_.push_back(nodes_[i].step);
    }
    std::reverse(path_.begin(), path_.end());
}

TLz29Packer::TChoice TLz29Packer::Best(uint64_t at) {
    const unsigned maxLength =
        static_cast<unsigned>(std::min<uint64_t>({kMaxMatch, entryEnd_ - at, NextBoundary(at) - at}));
    TChoice best;
    if (maxLength < 2) {
        return best;
    }
    for (unsigned k = 0; k < oldDistances_.size(); ++k) {
        const uint32_t distance = oldDistances_[k];
        if (distance == 0 || distance > at || distance > kMaxDistance) {
            continue;
        }
        const unsigned length = finder_.MatchLength(at, distance, maxLength);
        if (length < 2) {
            continue;
        }
        const int gain = OldDistanceGain(k, length);
        if (gain > best.gain) {
            best = {TChoice::EKind::OldDistance, length, distance, k, gain};
        }
    }
    if (best.length >= settings_.enough) {
        return best;
    }
    finder_.Search(at, maxLength, settings_.depth, settings_.good, settings_.enough,
                   [&](unsigned length, uint32_t distance) {
                       const int gain = NewDistanceGain(length, distance);
                       if (gain <= best.gain) {
                           return false;
                       }
                       best = {TChoice::EKind::NewDistance, length, distance, 0, gain};
                       return true;
                   });
    if (best.kind == TChoice::EKind::Literal) {
        if (const uint32_t distance = finder_.NearestPair(at, kShortReach); distance != 0) {
            if (const int gain = 2 * literalPrice_ - ShortCost(distance); gain > 0) {
                best = {TChoice::EKind::Short, 2, distance, 0, gain};
            }
        }
    }
    return best;
}

void TLz29Packer::Emit(const TChoice& choice, uint64_t at) {
    TToken token;
    const auto pushDistance = [&](uint32_t distance) {
        std::copy_backward(oldDistances_.begin(), oldDistances_.end() - 1, oldDistances_.end());
        oldDistances_[0] = distance;
    };
    switch (choice.kind) {
    case TChoice::EKind::Literal:
        token.main = finder_.ByteAt(at);
        break;
    case TChoice::EKind::OldDistance:
        if (choice.oldIndex == 0 && choice.length == lastLength_) {
            token.main = kRepeatLast;
            break;
        }
        {
            const TSlot slot = LengthSlot(choice.length - 2);
            token.main = static_cast<uint16_t>(kFirstOldDistance + choice.oldIndex);
            token.rep = slot.slot;
            token.lengthBits = slot.bits;
            token.lengthExtra = static_cast<uint16_t>(slot.extra);
            // The used distance moves to the front, the ones before it move back.
            std::copy_backward(oldDistances_.begin(), oldDistances_.begin() + choice.oldIndex,
                               oldDistances_.begin() + choice.oldIndex + 1);
            oldDistances_[0] = choice.distance;
            lastLength_ = choice.length;
        }
        break;
    case TChoice::EKind::Short: {
        const TSlot slot = ShortDistanceSlot(choice.distance);
        token.main = static_cast<uint16_t>(kFirstShortDistance + slot.slot);
        token.lengthBits = slot.bits;
        token.lengthExtra = static_cast<uint16_t>(slot.extra);
        pushDistance(choice.distance);
        lastLength_ = 2;
        break;
    }
    case TChoice::EKind::NewDistance: {
        const TSlot length = LengthSlot(choice.length - 3 - LengthBonus(choice.distance));
        const TSlot distance = DistanceSlot(choice.distance - 1);
        token.main = static_cast<uint16_t>(kFirstLengthSlot + length.slot);
        token.lengthBits = length.bits;
        token.lengthExtra = static_cast<uint16_t>(length.extra);
        token.dist = distance.slot;
        if (distance.slot >= 10) {
            // The low 4 extra bits go through the LOW table.
            token.distBits = static_cast<uint8_t>(distance.bits - 4);
            token.distExtra = distance.extra >> 4;
            token.low = static_cast<uint8_t>(distance.extra & 15);
        } else {
            token.distBits = distance.bits;
            token.distExtra = distance.extra;
        }
        pushDistance(choice.distance);
        lastLength_ = choice.length;
        break;
    }
    }
    coder_.Add(token);
}

} // namespace mkpayload
