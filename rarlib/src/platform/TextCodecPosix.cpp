#include <algorithm>

#include "core/Utf.h"
#include "platform/TextCodec.h"

namespace rarlib {
namespace {

// Code page 866, bytes 0x80..0xFF. mkpayload has a table of its own on purpose: written apart, the
// writer's and the reader's tables check each other whenever a test extracts what mkpayload packs.
constexpr char16_t kCp866High[128] = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C,
    0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429,
    0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436,
    0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F, 0x0401, 0x0451, 0x0404, 0x0454, 0x0407,
    0x0457, 0x040E, 0x045E, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,
};

std::u16string utf32ToUtf16(std::wstring_view s) {
    std::u16string out;
    for (wchar_t wc : s) {
        auto cp = static_cast<uint32_t>(wc);
        if (cp >= 0x10000 && cp <= 0x10FFFF) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) ? u'\uFFFD'
                                                                          : static_cast<char16_t>(cp));
        }
    }
    return out;
}

std::wstring utf16ToUtf32(std::u16string_view s) {
    std::wstring out;
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        out.push_back(static_cast<wchar_t>(cp));
    }
    return out;
}

std::u16string withSlashes(std::u16string name) {
    std::replace(name.begin(), name.end(), u'\\', u'/');
    return name;
}

} // namespace

Path pathFromArchiveName(const char* name) {
    return Path(std::string(name));
}
Path pathFromDestination(const char* name) {
    return Path(std::string(name));
}
Path pathFromWide(const wchar_t* name) {
    return Path(utf16ToUtf8(utf32ToUtf16(name)));
}
std::string narrowArchiveName(const Path& path) {
    return path.native();
}

std::wstring wideArchiveName(const Path& path) {
    auto utf16 = utf8ToUtf16(path.native());
    return utf16 ? utf16ToUtf32(*utf16) : std::wstring();
}

std::u16string oemToUtf16(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (char c : bytes) {
        const auto b = static_cast<uint8_t>(c);
        out.push_back(b < 0x80 ? static_cast<char16_t>(b) : kCp866High[b - 0x80]);
    }
    return out;
}

size_t fittingPrefix(std::string_view text, size_t capacity) {
    if (capacity == 0) {
        return 0;
    }
    size_t n = std::min(text.size(), capacity - 1);
    if (n < text.size()) {
        while (n > 0 && (static_cast<uint8_t>(text[n]) & 0xC0) == 0x80) {
            --n;
        }
    }
    return n;
}

std::string entryNarrowName(const FileHeader& h) {
    return utf16ToUtf8(withSlashes(entryWideName(h)));
}

std::wstring entryWideNameForInterface(const FileHeader& h) {
    return utf16ToUtf32(withSlashes(entryWideName(h)));
}

} // namespace rarlib
