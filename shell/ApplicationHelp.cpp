#include "shell/ApplicationHelp.h"

namespace zarvo {

namespace {

void NoHelpFile(int) {}

THelpContextHandler helpHandler = &NoHelpFile;

} // namespace

void ShowHelpContext(int context) {
    helpHandler(context);
}

THelpContextHandler SetHelpContextHandler(THelpContextHandler handler) {
    THelpContextHandler previous = helpHandler;
    helpHandler = handler != nullptr ? handler : &NoHelpFile;
    return previous;
}

} // namespace zarvo
