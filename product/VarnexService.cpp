// The sibling service. It ends when its window is closed.
#include "ProductWindow.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return standin::RunProductWindow(instance, {L"VarnexServiceWindow", L"Varnex Service", 0, false});
}
