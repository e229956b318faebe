#pragma once
// The one window each stand-in program shows while it runs. The setup finds these programs by the
// window's title and asks them to end through it.

#include <windows.h>

namespace standin {

struct TProductWindow {
    const wchar_t* className;
    const wchar_t* title;
    // A WM_COMMAND identifier that ends the program; 0 when none does.
    WORD closeCommand;
    // Servers keep their window hidden; the main program shows it.
    bool visible;
};

// Runs the window until it is destroyed; the result is the program's exit code.
int RunProductWindow(HINSTANCE instance, const TProductWindow& window);

} // namespace standin
