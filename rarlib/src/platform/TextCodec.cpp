#include "platform/TextCodec.h"

#include "core/Utf.h"

namespace rarlib {

std::u16string entryWideName(const FileHeader& h) {
    if (!h.wideName.empty()) {
        return h.wideName;
    }
    const bool unixLike =
        h.hostOs == hostos::kUnix || h.hostOs == hostos::kMacOs || h.hostOs == hostos::kBeOs;
    if (unixLike) {
        if (auto utf16 = utf8ToUtf16(h.rawName)) {
            return *utf16;
        }
    }
    return oemToUtf16(h.rawName);
}

} // namespace rarlib
