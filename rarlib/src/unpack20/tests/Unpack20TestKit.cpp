// Streams of every coding the method has, shared by the decoder's tests and the cross-check.
#include "Unpack20TestKit.h"

#include <cmath>
#include <random>

namespace rarlib::testing {

std::vector<uint8_t> noise(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v) {
        b = static_cast<uint8_t>(rng());
    }
    return v;
}

// A sampled wave per channel, interleaved: what the multimedia blocks are for.
std::vector<uint8_t> wave(size_t n, unsigned channels) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i / channels);
        v[i] = static_cast<uint8_t>(128 + 90 * std::sin(t / (7.0 + (i % channels))) + (i * 7919 % 5));
    }
    return v;
}

const std::vector<StreamCase>& streamCases() {
    static const std::vector<StreamCase> cases = {
        {"literals",
         [](Lz20Writer& w) {
             w.literals(noise(3000, 1));
         }},
        {"new distances of every slot",
         [](Lz20Writer& w) {
             w.literals(noise(5000, 2));
             for (uint32_t d : {1u, 2u, 3u, 4u, 5u, 7u, 100u, 255u, 256u, 257u, 1000u, 4999u}) {
                 w.match(3 + d % 200, d);
             }
         }},
        {"long distances add to the length",
         [](Lz20Writer& w) {
             w.literals(noise(0x100000 + 50, 3));
             for (uint32_t d : {0x1FFFu, 0x2000u, 0x3FFFFu, 0x40000u, 0xFFFFFu, 0x100000u}) {
                 w.match(258 + (d >= 0x2000) + (d >= 0x40000), d); // the longest for the distance
                 w.match(5, d);
             }
         }},
        {"repeated distances and their length steps",
         [](Lz20Writer& w) {
             w.literals(noise(0x50000, 4));
             w.match(4, 0x100);
             w.match(4, 0x101);
             w.match(10, 0x2000);
             w.match(10, 0x40000);
             // Base length 2, plus one for each of 0x101, 0x2000 and 0x40000 the distance reaches.
             auto repeat = [&w](unsigned k, uint32_t extra) {
                 const uint32_t d = w.oldDistance(k);
                 w.repeatOld(k, 2 + (d >= 0x101) + (d >= 0x2000) + (d >= 0x40000) + extra);
             };
             for (unsigned k : {3u, 2u, 1u, 0u, 3u, 1u}) {
                 repeat(k, 0);
                 repeat(k, 255);
             }
             w.repeatLast();
             w.repeatLast();
         }},
        {"short distances",
         [](Lz20Writer& w) {
             w.literals(noise(300, 5));
             for (uint32_t d :
                  {1u, 4u, 5u, 8u, 9u, 16u, 17u, 32u, 33u, 64u, 65u, 128u, 129u, 192u, 193u, 256u}) {
                 w.shortMatch(d);
             }
             w.repeatLast();
         }},
        {"overlapping copies",
         [](Lz20Writer& w) {
             w.literal('a');
             w.match(200, 1);
             w.literals(std::vector<uint8_t>{'x', 'y', 'z'});
             w.match(100, 3);
         }},
        {"table changes inside the entry",
         [](Lz20Writer& w) {
             w.literals(noise(500, 6));
             w.beginLzBlock(true);
             w.match(50, 400);
             w.literals(std::vector<uint8_t>(100, 'q'));
             w.beginLzBlock(false);
             w.repeatOld(0, 20);
             w.literals(noise(10, 7));
         }},
        {"multimedia, one to four channels",
         [](Lz20Writer& w) {
             for (unsigned ch = 1; ch <= 4; ++ch) {
                 w.beginAudioBlock(ch, ch % 2 == 0);
                 w.audio(wave(1000 + ch, ch));
             }
         }},
        {"multimedia and LZ blocks in turn",
         [](Lz20Writer& w) {
             w.literals(noise(200, 8));
             w.beginAudioBlock(2);
             w.audio(wave(777, 2));
             w.beginLzBlock(true); // lengths relative to the multimedia table
             w.match(100, 600);
             w.beginAudioBlock(3, true);
             w.audio(noise(500, 9)); // the predictor keeps adapting on noise
             w.beginAudioBlock(1);
             w.audio(wave(64, 1));
         }},
    };
    return cases;
}

} // namespace rarlib::testing
