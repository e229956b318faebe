#pragma once
// What the wizard asks or tells its user in a modal window: message boxes (every report before a run
// takes the log over), the question before running components are closed, and the folder dialog. The
// form answers them with real windows; tests answer them instead.

#include <windows.h>

#include <string>

namespace zarvo {

// The question ConfirmUnload asks, and its caption.
inline constexpr wchar_t TextCloseQuestion[] =
    L"Выгрузить загруженные компоненты Zarvo и продолжить установку?";
inline constexpr wchar_t TextCloseQuestionTitle[] = L"Обнаружены загруженные компоненты Zarvo";

class TPrompts {
public:
    virtual ~TPrompts() = default;
    // A message box or a question (MB_YESNO); the button pressed.
    virtual int ShowMessage(const std::wstring& text, const std::wstring& caption, UINT flags) = 0;
    // Whether the user agrees that the product's running components are closed.
    virtual bool ConfirmUnload() = 0;
    // The folder dialog, starting at folder; true with the chosen folder in it.
    virtual bool PickFolder(std::wstring& folder) = 0;
};

} // namespace zarvo
