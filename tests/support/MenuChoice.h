#pragma once
// Chooses an item of a window's context menu the way a user does from the keyboard, while the window's
// thread sits in the menu's loop.

#include <windows.h>

#include <string>

namespace zarvo::testing {

namespace detail {

// Thread timer callbacks cannot capture: what they need and saw is kept here.
inline std::wstring MenuItemText;
inline int MenuItemIndex = 0; // the item the menu timer chooses

inline void CALLBACK ChooseMenuItem(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND menu = FindWindowW(L"#32768", nullptr);
    if (menu == nullptr)
        return;
    KillTimer(nullptr, timer);
    wchar_t text[64] = L"";
    GetMenuStringW(reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0)), UINT(MenuItemIndex), text,
                   64, MF_BYPOSITION);
    MenuItemText = text;
    for (int down = 0; down <= MenuItemIndex; ++down)
        PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
}

inline void CALLBACK EndMenuTimer(HWND, UINT, UINT_PTR, DWORD) {
    EndMenu();
}

} // namespace detail

// Opens the context menu from the keyboard and chooses the item at that position; its text.
inline std::wstring ChooseFromMenu(HWND window, int index) {
    detail::MenuItemText.clear();
    detail::MenuItemIndex = index;
    SetTimer(nullptr, 0, 50, detail::ChooseMenuItem);
    UINT_PTR safety = SetTimer(nullptr, 0, 5000, detail::EndMenuTimer);
    SendMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), -1);
    KillTimer(nullptr, safety);
    return detail::MenuItemText;
}

} // namespace zarvo::testing
