#include "Cp866.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>

namespace mkpayload {
namespace {

// Code points of bytes 0x80..0xFF; bytes below 0x80 are ASCII. The extraction library's POSIX text codec
// keeps a table of its own on purpose: the writer and the reader are separate programs, and two tables
// written apart check each other in the tests that extract what mkpayload packs.
constexpr std::array<char16_t, 128> kHighHalf = {
    // 0x80: А..Я
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C,
    0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429,
    0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    // 0xA0: а..п
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C,
    0x043D, 0x043E, 0x043F,
    // 0xB0: shades and box drawing
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D,
    0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554,
    0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553,
    0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    // 0xE0: р..я
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C,
    0x044D, 0x044E, 0x044F,
    // 0xF0: Ё ё Є є Ї ї Ў ў ° ∙ · √ № ¤ ■ no-break space
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116,
    0x00A4, 0x25A0, 0x00A0};

std::optional<uint8_t> EncodeCodePoint(char32_t cp) {
    if (cp < 0x80) {
        return static_cast<uint8_t>(cp);
    }
    for (size_t i = 0; i < kHighHalf.size(); ++i) {
        if (kHighHalf[i] == cp) {
            return static_cast<uint8_t>(0x80 + i);
        }
    }
    return std::nullopt;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
std::optional<char32_t> NextCodePoint(std::string_view s, size_t& pos) {
    const auto byte = [&](size_t i) {
        return static_cast<uint8_t>(s[i]);
    };
    const uint8_t lead = byte(pos);
    size_t length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++pos;
        return lead;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07, minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    if (pos + length > s.size()) {
        return std::nullopt;
    }
    for (size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) {
            return std::nullopt;
        }
        cp = (cp << 6) | (byte(pos + i) & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return std::nullopt;
    }
    pos += length;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

} // namespace

bool Utf8ToCp866(std::string_view utf8, std::string& cp866, std::string& error) {
    std::string out;
    size_t pos = 0;
    while (pos < utf8.size()) {
        const size_t start = pos;
        const std::optional<char32_t> cp = NextCodePoint(utf8, pos);
        if (!cp) {
            error = "it is not valid UTF-8";
            return false;
        }
        const std::optional<uint8_t> encoded = EncodeCodePoint(*cp);
        if (!encoded) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(*cp));
            error = "the character '" + std::string(utf8.substr(start, pos - start)) + "' (" + code +
                    ") has no CP866 code";
            return false;
        }
        out += static_cast<char>(*encoded);
    }
    cp866 = std::move(out);
    return true;
}

std::string Cp866ToUtf8(std::string_view cp866) {
    std::string out;
    for (const char c : cp866) {
        const auto b = static_cast<uint8_t>(c);
        AppendUtf8(out, b < 0x80 ? char32_t{b} : char32_t{kHighHalf[b - 0x80]});
    }
    return out;
}

std::string PrintableName(std::string_view utf8) {
    std::string out;
    size_t pos = 0;
    while (pos < utf8.size()) {
        const size_t start = pos;
        const std::optional<char32_t> cp = NextCodePoint(utf8, pos);
        if (cp && *cp >= 0x20 && *cp != 0x7F) {
            out += utf8.substr(start, pos - start);
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(utf8[start]));
        out += escaped;
        pos = start + 1;
    }
    return out;
}

char Cp866ToUpper(char c) {
    const auto b = static_cast<uint8_t>(c);
    uint8_t upper = b;
    if (b >= 'a' && b <= 'z') {
        upper = b - 0x20;
    } else if (b >= 0xA0 && b <= 0xAF) { // а..п
        upper = b - 0x20;
    } else if (b >= 0xE0 && b <= 0xEF) { // р..я
        upper = b - 0x50;
    } else if (b >= 0xF0 && b <= 0xF7 && (b & 1)) { // ё є ї ў
        upper = b - 1;
    }
    return static_cast<char>(upper);
}

std::string Cp866ToUpper(std::string_view cp866) {
    std::string out(cp866);
    for (char& c : out) {
        c = Cp866ToUpper(c);
    }
    return out;
}

} // namespace mkpayload
