// Checksums, text conversion and the name and time fields of file headers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Sha256.h"
#include "core/Crc32.h"
#include "core/Utf.h"
#include "format/UnicodeName.h"

namespace rarlib {
namespace {

std::span<const uint8_t> bytesOf(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

TEST(Crc32, MatchesTheStandardCheckValue) {
    EXPECT_EQ(crc32(bytesOf("123456789")), 0xCBF43926u);
}

TEST(Crc32, GivesTheSameValueWhateverTheChunking) {
    std::string data;
    for (int i = 0; i < 1000; ++i) {
        data.push_back(static_cast<char>(i * 7 + 3));
    }
    const uint32_t whole = crc32(bytesOf(data));
    for (size_t chunk : {1u, 3u, 7u, 8u, 9u, 64u, 999u}) {
        Crc32 c;
        for (size_t pos = 0; pos < data.size(); pos += chunk) {
            c.update(bytesOf(data).subspan(pos, std::min(chunk, data.size() - pos)));
        }
        EXPECT_EQ(c.value(), whole) << "chunk " << chunk;
    }
}

// Bit by bit, straight from the definition.
uint32_t referenceCrc(std::span<const uint8_t> data) {
    uint32_t c = 0xFFFFFFFFu;
    for (uint8_t b : data) {
        c ^= b;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        }
    }
    return ~c;
}

TEST(Crc32, AgreesWithTheDefinitionForEveryLengthAndAlignment) {
    std::vector<uint8_t> data(400);
    uint32_t seed = 12345;
    for (auto& b : data) {
        seed = seed * 1103515245u + 12345u;
        b = static_cast<uint8_t>(seed >> 16);
    }
    for (size_t offset = 0; offset < 4; ++offset) {
        for (size_t n = 0; n + offset <= data.size(); ++n) {
            const auto part = std::span<const uint8_t>(data).subspan(offset, n);
            ASSERT_EQ(crc32(part), referenceCrc(part)) << "length " << n << " offset " << offset;
        }
    }
}

TEST(Sha256, MatchesKnownDigests) {
    EXPECT_EQ(sha256Hex({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256Hex(bytesOf("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // Two blocks of padding.
    EXPECT_EQ(sha256Hex(bytesOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

TEST(Utf8, RoundTripsAndRejectsMalformedInput) {
    const std::string text = "a\xC3\xBC\xE6\xBC\xA2\xF0\x9F\x98\x80"; // a ü 漢 😀
    const auto wide = utf8ToUtf16(text);
    ASSERT_TRUE(wide);
    EXPECT_EQ(*wide, u"a\u00FC\u6F22\U0001F600");
    EXPECT_EQ(utf16ToUtf8(*wide), text);
    for (const char* bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xC3", "\x80", "\xF5\x80\x80\x80"}) {
        EXPECT_FALSE(utf8ToUtf16(bad)) << bad;
    }
}

// The name of rar3-subdirs.rar's third entry, split at its zero byte.
TEST(UnicodeName, DecodesTheReferenceVector) {
    const std::vector<uint8_t> plain = {0x73, 0x75, 0x62, 0x5C, 0xC3, 0xBC, 0xC8, 0xB5, 0xC4,
                                        0xA9, 0xC3, 0xB6, 0xE1, 0xB8, 0x8B, 0xC3, 0xA8, 0x5C,
                                        0x66, 0x69, 0x6C, 0x65, 0x2E, 0x74, 0x78, 0x74};
    const std::vector<uint8_t> encoded = {0x02, 0xC6, 0x02, 0xFC, 0x35, 0x29, 0x01, 0x20,
                                          0xF6, 0x0B, 0x1E, 0xE8, 0x5C, 0x00, 0x66, 0x69,
                                          0x6C, 0x65, 0x00, 0x2E, 0x74, 0x78, 0x74};
    EXPECT_EQ(decodeUnicodeName(plain, encoded), u"sub\\\u00FC\u0235\u0129\u00F6\u1E0B\u00E8\\file.txt");
}

TEST(UnicodeName, CopiesPlainBytesWithCorrectionAndStopsAtTruncation) {
    const std::vector<uint8_t> plain = {'a', 'b', 'c', 'd'};
    // high 0x04; op 3 with correction 1 over 2 bytes, then op 3 plain copy of the rest.
    EXPECT_EQ(decodeUnicodeName(plain, std::vector<uint8_t>{0x04, 0xF0, 0x80, 0x01, 0x00}),
              std::u16string({0x0462, 0x0463, u'c', u'd'}));
    // A copy never runs past the plain name.
    EXPECT_EQ(decodeUnicodeName(plain, std::vector<uint8_t>{0x00, 0xC0, 0x7F}), u"abcd");
    // An op that needs a byte that is not there ends the name.
    EXPECT_EQ(decodeUnicodeName(plain, std::vector<uint8_t>{0x00, 0x00, 'x', 'y', 'z'}), u"xyz");
    EXPECT_EQ(decodeUnicodeName(plain, std::vector<uint8_t>{0x00, 0x80, 0x41}), u"");
    EXPECT_EQ(decodeUnicodeName(plain, {}), u"");
}

} // namespace
} // namespace rarlib
