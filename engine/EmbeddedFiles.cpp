#include "engine/EmbeddedFiles.h"

#include "common/Checksum.h"
#include "common/Resources.h"

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace zarvo {

namespace {

// The resource the build writes (cmake/embedded-checksums.py): one line per file, its resource name, its
// size in decimal and its CRC-32 in hexadecimal, separated by single blanks.
constexpr wchar_t ChecksumsResource[] = L"CHECKSUMS";

template <typename T> bool ParseNumber(std::string_view text, int base, T& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return error == std::errc() && end == text.data() + text.size();
}

// One line: false when it is not one, or names a file the program carries with other bytes.
bool LineHolds(std::string_view line) {
    const size_t first = line.find(' '), second = line.find(' ', first + 1);
    if (first == 0 || first == std::string_view::npos || second == std::string_view::npos)
        return false;
    uint64_t size = 0;
    uint32_t crc = 0;
    if (!ParseNumber(line.substr(first + 1, second - first - 1), 10, size) ||
        !ParseNumber(line.substr(second + 1), 16, crc))
        return false;
    const std::string name(line.substr(0, first));
    const std::optional<std::string_view> bytes = ResourceData(std::wstring(name.begin(), name.end()));
    return !bytes || (bytes->size() == size && Crc32(*bytes) == crc);
}

} // namespace

bool EmbeddedFilesIntact() {
    const std::optional<std::string_view> list = ResourceData(ChecksumsResource);
    if (!list || list->empty() || list->back() != '\n')
        return false;
    for (std::string_view rest = *list; !rest.empty();) {
        const size_t end = rest.find('\n');
        if (!LineHolds(rest.substr(0, end)))
            return false;
        rest.remove_prefix(end + 1);
    }
    return true;
}

} // namespace zarvo
