#include "unpack20/AudioPredictor.h"

#include <cstdlib>

namespace rarlib {

uint8_t AudioPredictor::decode(unsigned channel, uint8_t residual) {
    Channel& ch = channels_[channel];
    ++ch.count;
    ch.d4 = ch.d3;
    ch.d3 = ch.d2;
    ch.d2 = ch.lastDelta - ch.d1;
    ch.d1 = ch.lastDelta;
    const std::array<int, 5>& w = ch.weight;
    const int sum =
        8 * ch.lastByte + w[0] * ch.d1 + w[1] * ch.d2 + w[2] * ch.d3 + w[3] * ch.d4 + w[4] * crossDelta_;
    // Only the low eight bits of the prediction count (an arithmetic shift of a signed sum).
    const auto predicted = static_cast<uint8_t>(sum >> 3);
    const auto value = static_cast<uint8_t>(predicted - residual);

    const int e = static_cast<int8_t>(residual) * 8;
    const int terms[5] = {ch.d1, ch.d2, ch.d3, ch.d4, crossDelta_};
    ch.error[0] += static_cast<uint32_t>(std::abs(e));
    for (int k = 0; k < 5; ++k) {
        ch.error[1 + 2 * k] += static_cast<uint32_t>(std::abs(e - terms[k]));
        ch.error[2 + 2 * k] += static_cast<uint32_t>(std::abs(e + terms[k]));
    }

    ch.lastDelta = static_cast<int8_t>(static_cast<uint8_t>(value - ch.lastByte));
    crossDelta_ = ch.lastDelta;
    ch.lastByte = value;
    if ((ch.count & 31) == 0) {
        adapt(ch);
    }
    return value;
}

void AudioPredictor::adapt(Channel& ch) {
    // The smallest error wins; on a tie the earlier entry, so the current weights are kept.
    size_t best = 0;
    for (size_t i = 1; i < ch.error.size(); ++i) {
        if (ch.error[i] < ch.error[best]) {
            best = i;
        }
    }
    ch.error.fill(0);
    if (best == 0) {
        return;
    }
    int& w = ch.weight[(best - 1) / 2];
    // Odd entries measured the weight one lower, even ones one higher; weights stay in -17..16.
    if (best % 2 == 1) {
        if (w >= -16) {
            --w;
        }
    } else if (w < 16) {
        ++w;
    }
}

} // namespace rarlib
