// The kernel server. It ends on its "unload" menu command, which the setup sends before it replaces
// the product's files.
#include "ProductWindow.h"

namespace {

constexpr WORD UnloadCommand = 32771;

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return standin::RunProductWindow(instance, {L"ZarvoKernelServer", L"ZarvoKernel", UnloadCommand, false});
}
