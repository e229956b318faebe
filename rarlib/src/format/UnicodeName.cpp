#include "format/UnicodeName.h"

namespace rarlib {

std::u16string decodeUnicodeName(std::span<const uint8_t> plain, std::span<const uint8_t> enc) {
    std::u16string out;
    if (enc.empty()) {
        return out;
    }
    size_t pos = 0;
    const uint16_t high = static_cast<uint16_t>(enc[pos++] << 8);
    unsigned flags = 0;
    int flagBits = 0;
    while (pos < enc.size()) {
        if (flagBits == 0) {
            flags = enc[pos++];
            flagBits = 8;
            if (pos >= enc.size()) {
                break;
            }
        }
        const unsigned op = (flags >> 6) & 3;
        flags = (flags << 2) & 0xFF;
        flagBits -= 2;
        switch (op) {
        case 0:
            out.push_back(enc[pos++]);
            break;
        case 1:
            out.push_back(static_cast<char16_t>(enc[pos++] | high));
            break;
        case 2:
            if (pos + 1 >= enc.size()) {
                return out;
            }
            out.push_back(static_cast<char16_t>(enc[pos] | (enc[pos + 1] << 8)));
            pos += 2;
            break;
        default: {
            const unsigned len = enc[pos++];
            if (len & 0x80) {
                if (pos >= enc.size()) {
                    return out;
                }
                const uint8_t corr = enc[pos++];
                for (unsigned n = (len & 0x7F) + 2; n > 0 && out.size() < plain.size(); --n) {
                    out.push_back(static_cast<char16_t>(((plain[out.size()] + corr) & 0xFF) | high));
                }
            } else {
                for (unsigned n = len + 2; n > 0 && out.size() < plain.size(); --n) {
                    out.push_back(plain[out.size()]);
                }
            }
            break;
        }
        }
    }
    return out;
}

} // namespace rarlib
