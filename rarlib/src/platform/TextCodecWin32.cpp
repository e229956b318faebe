#include <windows.h>

#include <algorithm>

#include "platform/TextCodec.h"

namespace rarlib {
namespace {

std::wstring toWide(UINT codePage, const char* s, int length) {
    if (length == 0) {
        return {};
    }
    const int n = MultiByteToWideChar(codePage, 0, s, length, nullptr, 0);
    if (n <= 0) {
        return {};
    }
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(codePage, 0, s, length, out.data(), n);
    return out;
}

std::string fromWide(UINT codePage, const wchar_t* s, int length) {
    if (length == 0) {
        return {};
    }
    const int n = WideCharToMultiByte(codePage, 0, s, length, nullptr, 0, nullptr, nullptr);
    if (n <= 0) {
        return {};
    }
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(codePage, 0, s, length, out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring withBackslashes(const std::u16string& name) {
    std::wstring out(name.begin(), name.end());
    std::replace(out.begin(), out.end(), L'/', L'\\');
    return out;
}

} // namespace

Path pathFromArchiveName(const char* name) {
    return Path(toWide(CP_ACP, name, lstrlenA(name)));
}
Path pathFromDestination(const char* name) {
    return Path(toWide(CP_OEMCP, name, lstrlenA(name)));
}
Path pathFromWide(const wchar_t* name) {
    return Path(std::wstring(name));
}

std::string narrowArchiveName(const Path& path) {
    const std::wstring& w = path.native();
    return fromWide(CP_ACP, w.data(), static_cast<int>(w.size()));
}

std::wstring wideArchiveName(const Path& path) {
    return path.native();
}

std::u16string oemToUtf16(std::string_view bytes) {
    const std::wstring w = toWide(CP_OEMCP, bytes.data(), static_cast<int>(bytes.size()));
    return std::u16string(w.begin(), w.end());
}

size_t fittingPrefix(std::string_view text, size_t capacity) {
    if (capacity == 0) {
        return 0;
    }
    const size_t n = std::min(text.size(), capacity - 1);
    // Do not end on the lead byte of a double-byte character.
    size_t safe = 0;
    for (size_t i = 0; i < n;) {
        const size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[i])) ? 2 : 1;
        if (i + step > n) {
            break;
        }
        i += step;
        safe = i;
    }
    return safe;
}

std::string entryNarrowName(const FileHeader& h) {
    if (h.wideName.empty()) {
        // Stored bytes are already in the OEM code page.
        std::string name = h.rawName;
        std::replace(name.begin(), name.end(), '/', '\\');
        return name;
    }
    const std::wstring w = withBackslashes(h.wideName);
    return fromWide(CP_OEMCP, w.data(), static_cast<int>(w.size()));
}

std::wstring entryWideNameForInterface(const FileHeader& h) {
    return withBackslashes(entryWideName(h));
}

} // namespace rarlib
