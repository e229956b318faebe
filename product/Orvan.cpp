// The product's main program: the window the shortcuts start.
#include "ProductWindow.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return standin::RunProductWindow(instance, {L"ZarvoOrvanMain", L"Вирдана", 0, true});
}
