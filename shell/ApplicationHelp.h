#pragma once
// The application's one way into its help. The product ships no help file, so by default a help
// request shows nothing; the handler is replaceable so that a help system (or a test) can take it.

namespace zarvo {

using THelpContextHandler = void (*)(int context);

// Hands a help topic to the installed handler.
void ShowHelpContext(int context);
// Installs a handler (null restores the default) and returns the previous one.
THelpContextHandler SetHelpContextHandler(THelpContextHandler handler);

} // namespace zarvo
