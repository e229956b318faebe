#include "ppmd/PpmdPages.h"

#if defined(__SANITIZE_ADDRESS__)
#define RARLIB_PPMD_HEAP_CALLOC 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RARLIB_PPMD_HEAP_CALLOC 1
#endif
#endif

#if defined(RARLIB_PPMD_HEAP_CALLOC)
#include <cstdlib>
#elif defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace rarlib::ppmd {

#if defined(RARLIB_PPMD_HEAP_CALLOC)
// Under AddressSanitizer the heap comes from calloc, so a reference past its end is reported.
uint8_t* allocateZeroedPages(size_t bytes) {
    return static_cast<uint8_t*>(std::calloc(bytes, 1));
}
void freePages(uint8_t* p, size_t) {
    std::free(p);
}
#elif defined(_WIN32)
uint8_t* allocateZeroedPages(size_t bytes) {
    return static_cast<uint8_t*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
}
void freePages(uint8_t* p, size_t) {
    if (p != nullptr)
        VirtualFree(p, 0, MEM_RELEASE);
}
#else
uint8_t* allocateZeroedPages(size_t bytes) {
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : static_cast<uint8_t*>(p);
}
void freePages(uint8_t* p, size_t bytes) {
    if (p != nullptr)
        munmap(p, bytes);
}
#endif

} // namespace rarlib::ppmd
