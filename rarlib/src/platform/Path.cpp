#include "platform/Path.h"

namespace rarlib {
namespace {

#ifdef _WIN32
constexpr Path::Char kSeparator = L'\\';
bool isSeparator(Path::Char c) {
    return c == L'\\' || c == L'/';
}
#else
constexpr Path::Char kSeparator = '/';
bool isSeparator(Path::Char c) {
    return c == '/';
}
#endif

} // namespace

size_t Path::rootLength() const {
    const String& s = native_;
#ifdef _WIN32
    if (s.size() >= 2 && s[1] == L':') {
        return s.size() >= 3 && isSeparator(s[2]) ? 3 : 2;
    }
    if (s.size() >= 2 && isSeparator(s[0]) && isSeparator(s[1])) {
        // \\server\share\ and \\?\C:\ alike: the root ends after the second component's separator.
        size_t i = 2;
        for (int component = 0; component < 2 && i < s.size(); ++component) {
            while (i < s.size() && !isSeparator(s[i])) {
                ++i;
            }
            if (i < s.size()) {
                ++i;
            }
        }
        return i;
    }
#endif
    return !s.empty() && isSeparator(s[0]) ? 1 : 0;
}

Path Path::filename() const {
    const size_t root = rootLength();
    size_t start = native_.size();
    while (start > root && !isSeparator(native_[start - 1])) {
        --start;
    }
    return Path(native_.substr(start));
}

Path Path::parent_path() const {
    const size_t root = rootLength();
    if (native_.size() <= root) {
        return *this;
    }
    size_t end = native_.size();
    while (end > root && !isSeparator(native_[end - 1])) {
        --end;
    }
    while (end > root && isSeparator(native_[end - 1])) {
        --end;
    }
    return Path(native_.substr(0, end));
}

Path& Path::operator/=(const Path& relative) {
    if (relative.empty()) {
        return *this;
    }
    const bool bareDrive = rootLength() == native_.size() && native_.size() == 2 && native_[1] == Char(':');
    if (!native_.empty() && !isSeparator(native_.back()) && !bareDrive) {
        native_ += kSeparator;
    }
    native_ += relative.native_;
    return *this;
}

Path Path::operator/(const Path& relative) const {
    Path result = *this;
    result /= relative;
    return result;
}

} // namespace rarlib
