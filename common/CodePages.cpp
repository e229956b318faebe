#include "common/CodePages.h"

namespace zarvo {

std::wstring OemToAnsi(const std::string& oemText) {
    if (oemText.empty())
        return {};
    int length = MultiByteToWideChar(PayloadCodePage, 0, oemText.data(), int(oemText.size()), nullptr, 0);
    std::wstring text(size_t(length), L'\0');
    MultiByteToWideChar(PayloadCodePage, 0, oemText.data(), int(oemText.size()), text.data(), length);
    // Like the 8-bit conversion it replaces, the text ends at an embedded terminator.
    if (auto end = text.find(L'\0'); end != std::wstring::npos)
        text.resize(end);
    return text;
}

bool TextToOem(const std::wstring& text, std::string& oemText) {
    if (text.empty()) {
        oemText.clear();
        return true;
    }
    BOOL lossy = FALSE;
    int length =
        WideCharToMultiByte(PayloadCodePage, 0, text.data(), int(text.size()), nullptr, 0, nullptr, &lossy);
    if (length <= 0 || lossy)
        return false;
    std::string result(size_t(length), '\0');
    WideCharToMultiByte(PayloadCodePage, 0, text.data(), int(text.size()), result.data(), length, nullptr,
                        &lossy);
    if (lossy)
        return false;
    oemText = std::move(result);
    return true;
}

} // namespace zarvo
