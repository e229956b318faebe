#pragma once
// The application's message processing, shared by the program's main loop and by everything that
// keeps the window responsive while it works on the GUI thread.

#include <windows.h>

#include <string>

namespace zarvo {

// Caption of boxes that belong to the program as a whole rather than to one step of it.
extern std::wstring ApplicationTitle;

// Set when the message loop has met WM_QUIT; the main loop ends then.
extern bool Terminated;

// Takes one message from the queue and handles it (the main form's Enter/Escape keys and dialog
// navigation first). False when the queue was empty.
bool HandleMessage();
// Handles every message that is waiting, then returns.
void ProcessMessages();
// The main loop: runs until Terminated.
void RunMessageLoop();
// Ends the main loop once the current message is handled.
void Terminate();

// Shows the error that is being handled, inside a catch block of a window or thread procedure, so
// that no exception leaves a callback.
void HandleException() noexcept;

} // namespace zarvo
