#pragma once

#include <string>
#include <string_view>

namespace rarlib {

// A file name in the platform's own spelling (UTF-16 on Windows, bytes elsewhere) with the few
// operations extraction needs. std::filesystem::path would do, but it drags the whole locale machinery
// of the static C++ runtime into Unrar.dll (about 700 KB).
class Path {
public:
#ifdef _WIN32
    using Char = wchar_t;
#else
    using Char = char;
#endif
    using String = std::basic_string<Char>;

    Path() = default;
    Path(String native) : native_(std::move(native)) {}
    Path(const Char* native) : native_(native) {}

    const String& native() const {
        return native_;
    }
    const Char* c_str() const {
        return native_.c_str();
    }
    bool empty() const {
        return native_.empty();
    }

    // The last component ("" for a root or a name ending in a separator).
    Path filename() const;
    // Everything before the last component, without trailing separators; a root stays itself.
    Path parent_path() const;
    // `relative` appended with one separator between the two.
    Path operator/(const Path& relative) const;
    Path& operator/=(const Path& relative);

    friend bool operator==(const Path&, const Path&) = default;

private:
    // Length of the root ("/", "C:", "C:\", "\\server\share\"), which parent_path never removes.
    size_t rootLength() const;

    String native_;
};

} // namespace rarlib
