#pragma once

#include <array>
#include <cstdint>

namespace rarlib {

// The multimedia blocks of the 2.0 method code each byte as the difference to a prediction from the
// channel's recent bytes and from the byte just decoded in the previous channel. The predictor's five
// weights adapt every 32 bytes towards the one whose change would have cut the error most.
class AudioPredictor {
public:
    static constexpr unsigned kMaxChannels = 4;

    void reset() { *this = AudioPredictor{}; }

    // The byte coded by `residual` in `channel` (< kMaxChannels).
    uint8_t decode(unsigned channel, uint8_t residual);

private:
    struct Channel {
        std::array<int, 5> weight{};
        // Differences of the recent bytes: the last one, then successive differences of them.
        int d1 = 0, d2 = 0, d3 = 0, d4 = 0;
        int lastDelta = 0;
        uint8_t lastByte = 0;
        uint32_t count = 0;
        // Accumulated |error| for the current weights and for each weight one step down and up.
        std::array<uint32_t, 11> error{};
    };

    static void adapt(Channel& ch);

    std::array<Channel, kMaxChannels> channels_{};
    // The last delta of whichever channel was decoded last.
    int crossDelta_ = 0;
};

} // namespace rarlib
