// TLogView's lines as one text: for the clipboard and for WM_GETTEXT (screen readers, test drivers).

#include "logview/LogView.h"

#include "common/Handles.h"

#include <algorithm>
#include <cstring>

namespace zarvo {

namespace {

constexpr wchar_t LineBreak[] = L"\r\n";

struct GlobalMemoryTraits {
    using Type = HGLOBAL;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { GlobalFree(h); }
};
using TGlobalMemory = TOwned<GlobalMemoryTraits>;

class TClipboard {
public:
    explicit TClipboard(HWND owner) noexcept {
        // Another program may hold it for a moment.
        for (int attempt = 0; attempt < 5 && !opened_; ++attempt) {
            opened_ = OpenClipboard(owner) != FALSE;
            if (!opened_)
                Sleep(10);
        }
    }
    TClipboard(const TClipboard&) = delete;
    TClipboard& operator=(const TClipboard&) = delete;
    ~TClipboard() {
        if (opened_)
            CloseClipboard();
    }
    bool Opened() const noexcept { return opened_; }

private:
    bool opened_ = false;
};

} // namespace

size_t TLogView::TextLength() const noexcept {
    size_t length = 0;
    for (const TLine& line : lines_)
        length += line.text.size();
    return lines_.empty() ? 0 : length + (lines_.size() - 1) * 2;
}

std::wstring TLogView::AllText() const {
    std::wstring text;
    text.reserve(TextLength());
    for (size_t index = 0; index < lines_.size(); ++index) {
        if (index > 0)
            text += LineBreak;
        text += lines_[index].text;
    }
    return text;
}

// As much as fits, always terminated; the count excludes the terminator.
size_t TLogView::CopyText(wchar_t* buffer, size_t capacity) const noexcept {
    if (buffer == nullptr || capacity == 0)
        return 0;
    size_t written = 0, room = capacity - 1;
    auto append = [&](const wchar_t* part, size_t length) {
        length = std::min(length, room - written);
        std::memcpy(buffer + written, part, length * sizeof(wchar_t));
        written += length;
    };
    for (size_t index = 0; index < lines_.size() && written < room; ++index) {
        if (index > 0)
            append(LineBreak, 2);
        append(lines_[index].text.data(), lines_[index].text.size());
    }
    buffer[written] = L'\0';
    return written;
}

bool TLogView::CopyToClipboard() const {
    std::wstring text = AllText();
    size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    TGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!memory.Valid())
        return false;
    void* target = GlobalLock(memory.Get());
    if (target == nullptr)
        return false;
    std::memcpy(target, text.c_str(), bytes);
    GlobalUnlock(memory.Get());

    TClipboard clipboard(window_);
    if (!clipboard.Opened() || !EmptyClipboard() || SetClipboardData(CF_UNICODETEXT, memory.Get()) == nullptr)
        return false;
    memory.Release(); // the clipboard owns it now
    return true;
}

} // namespace zarvo
