#include "archive/VolumeName.h"

#include <string>

namespace rarlib {
namespace {

template <typename Char> bool isDigit(Char c) {
    return c >= Char('0') && c <= Char('9');
}

// Increments the decimal digits in [begin, end) of s; false when they all were 9.
template <typename Char> bool incrementDigits(std::basic_string<Char>& s, size_t begin, size_t end) {
    for (size_t i = end; i > begin; --i) {
        if (s[i - 1] != Char('9')) {
            ++s[i - 1];
            return true;
        }
        s[i - 1] = Char('0');
    }
    return false;
}

template <typename Char> std::basic_string<Char> nextOld(std::basic_string<Char> name) {
    const size_t dot = name.rfind(Char('.'));
    if (dot == std::basic_string<Char>::npos) {
        return name + std::basic_string<Char>{Char('.'), Char('r'), Char('0'), Char('0')};
    }
    const size_t extLen = name.size() - dot - 1;
    if (extLen >= 2 && isDigit(name[name.size() - 1]) && isDigit(name[name.size() - 2])) {
        if (!incrementDigits(name, name.size() - 2, name.size())) {
            // r99 -> s00: the carry goes into the character before the digits.
            if (extLen >= 3) {
                ++name[name.size() - 3];
            }
        }
        return name;
    }
    name.resize(dot + 1);
    name += std::basic_string<Char>{Char('r'), Char('0'), Char('0')};
    return name;
}

template <typename Char> std::basic_string<Char> nextNew(std::basic_string<Char> name, bool& ok) {
    const size_t dot = name.rfind(Char('.'));
    size_t end = dot == std::basic_string<Char>::npos ? name.size() : dot;
    size_t begin = end;
    while (begin > 0 && isDigit(name[begin - 1])) {
        --begin;
    }
    ok = begin < end;
    if (ok && !incrementDigits(name, begin, end)) {
        name.insert(name.begin() + static_cast<std::ptrdiff_t>(begin), Char('1'));
    }
    return name;
}

} // namespace

Path nextVolumeName(const Path& current, bool newNumbering) {
    const Path::String file = current.filename().native();
    Path::String next;
    bool ok = false;
    if (newNumbering) {
        next = nextNew(file, ok);
    }
    if (!ok) {
        next = nextOld(file);
    }
    return current.parent_path() / Path(next);
}

} // namespace rarlib
