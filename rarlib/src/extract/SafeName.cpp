#include "extract/SafeName.h"

#include <array>
#include <string>
#include <vector>

#include "core/Utf.h"

namespace rarlib {
namespace {

char16_t upper(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
}

bool isReservedDeviceName(std::u16string_view component) {
    // The device name counts with or without an extension ("nul.txt" is NUL too).
    const size_t dot = component.find(u'.');
    std::u16string base;
    for (char16_t c : component.substr(0, dot)) {
        base.push_back(upper(c));
    }
    while (!base.empty() && base.back() == u' ') {
        base.pop_back();
    }
    static constexpr std::array<std::u16string_view, 4> kPlain = {u"CON", u"PRN", u"AUX", u"NUL"};
    for (auto name : kPlain) {
        if (base == name) {
            return true;
        }
    }
    if (base.size() == 4 && (base.starts_with(u"COM") || base.starts_with(u"LPT")) && base[3] >= u'1' &&
        base[3] <= u'9') {
        return true;
    }
    return false;
}

bool isForbiddenChar(char16_t c) {
    return c < 32 || c == u':' || c == u'<' || c == u'>' || c == u'"' || c == u'|' || c == u'?' || c == u'*';
}

bool componentAcceptable(std::u16string_view c) {
    if (c.empty() || c == u"." || c == u"..") {
        return false;
    }
    if (c.back() == u'.' || c.back() == u' ') {
        return false;
    }
    for (size_t i = 0; i < c.size(); ++i) {
        if (isForbiddenChar(c[i])) {
            return false;
        }
        // Unpaired surrogates have no file-system spelling.
        if (c[i] >= 0xD800 && c[i] <= 0xDBFF) {
            if (i + 1 >= c.size() || c[i + 1] < 0xDC00 || c[i + 1] > 0xDFFF) {
                return false;
            }
            ++i;
        } else if (c[i] >= 0xDC00 && c[i] <= 0xDFFF) {
            return false;
        }
    }
    return !isReservedDeviceName(c);
}

Path nativeName(std::u16string_view component) {
#ifdef _WIN32
    return Path(Path::String(component.begin(), component.end()));
#else
    return Path(utf16ToUtf8(component));
#endif
}

// The components between separators; a leading separator gives an empty first component, so absolute,
// UNC and device paths fail on it, as does a drive prefix through its ':'.
std::vector<std::u16string_view> components(std::u16string_view name) {
    std::vector<std::u16string_view> parts;
    size_t start = 0;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i == name.size() || name[i] == u'\\' || name[i] == u'/') {
            parts.push_back(name.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

} // namespace

bool isSafeRelativeName(std::u16string_view name) {
    for (auto c : components(name)) {
        if (!componentAcceptable(c)) {
            return false;
        }
    }
    return true;
}

std::optional<Path> safeRelativePath(std::u16string_view name) {
    if (!isSafeRelativeName(name)) {
        return std::nullopt;
    }
    Path result;
    for (auto c : components(name)) {
        result /= nativeName(c);
    }
    return result;
}

} // namespace rarlib
