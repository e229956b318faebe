// The C++ runtime's allocation and failure paths for the DLL, which is built without exceptions.
//
// -fno-exceptions keeps throwing out of our own code, but the runtime's operator new and the standard
// library's checks (std::vector and std::basic_string growth, at() and the like) still throw through
// helpers of their own, and a single throw anywhere links the unwinder, its tables and the posix
// threads it locks with: about 90 KB, nearly half of the DLL. Defined here, they end the process
// instead. They can only run on a misuse the library's own checks rule out, or when the system cannot
// give a small block; the decoders' one large block (the window) is allocated without throwing and
// reported as ERAR_NO_MEMORY, and so is the PPMd model's memory.
#include <cstdarg>
#include <cstdlib>
#include <new>

namespace {

[[noreturn]] void fail() noexcept {
    std::abort();
}

void* allocate(std::size_t size) noexcept {
    return std::malloc(size == 0 ? 1 : size);
}

void* allocateOrFail(std::size_t size) noexcept {
    void* block = allocate(size);
    if (block == nullptr)
        fail();
    return block;
}

} // namespace

void* operator new(std::size_t size) {
    return allocateOrFail(size);
}
void* operator new[](std::size_t size) {
    return allocateOrFail(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}

namespace std {

void __throw_bad_exception() {
    fail();
}
void __throw_bad_alloc() {
    fail();
}
void __throw_bad_array_new_length() {
    fail();
}
void __throw_bad_cast() {
    fail();
}
void __throw_bad_typeid() {
    fail();
}
void __throw_bad_function_call() {
    fail();
}
void __throw_logic_error(const char*) {
    fail();
}
void __throw_domain_error(const char*) {
    fail();
}
void __throw_invalid_argument(const char*) {
    fail();
}
void __throw_length_error(const char*) {
    fail();
}
void __throw_out_of_range(const char*) {
    fail();
}
void __throw_out_of_range_fmt(const char*, ...) {
    fail();
}
void __throw_runtime_error(const char*) {
    fail();
}
void __throw_range_error(const char*) {
    fail();
}
void __throw_overflow_error(const char*) {
    fail();
}
void __throw_underflow_error(const char*) {
    fail();
}

} // namespace std
