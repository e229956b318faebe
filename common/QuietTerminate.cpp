// The C++ runtime's failure paths without its text machinery, for the program (the extraction DLL,
// built without exceptions, has its own: rarlib/src/dll/NoExceptionRuntime.cpp).
//
// The default terminate handler prints the active exception's demangled type to stderr: a GUI program
// has no console, and the demangler with its printf brings about 60 KB. The library's throw
// helpers (std::string, std::vector, std::function...) build std::logic_error and friends, whose
// reference-counted message string drags in two whole instantiations of the narrow string (about 75 KB)
// that nothing else uses. With every helper defined here the runtime's copies stay out of the link.
//
// What changes is only the dynamic type of what the helpers throw: every catch in the tree takes
// std::exception, std::bad_alloc or anything, and gets the same; what() keeps the library's message
// (unformatted for the *_fmt helper). The object is linked whenever one helper is used, which any
// std::wstring use does, and with it the handler.
#include <bits/functexcept.h>
#include <cstdarg>
#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

namespace {

// The helpers are always passed string literals, so keeping the pointer is enough.
class RuntimeFault final : public std::exception {
public:
    explicit RuntimeFault(const char* what) noexcept : what_(what) {}
    const char* what() const noexcept override { return what_; }

private:
    const char* what_;
};

} // namespace

namespace __gnu_cxx {

// Every window, thread and exported function catches at its edge, so this only runs on a fault that
// would end the process anyway.
void __verbose_terminate_handler() {
    std::abort();
}

} // namespace __gnu_cxx

namespace std {

void __throw_bad_exception() {
    throw bad_exception();
}
void __throw_bad_alloc() {
    throw bad_alloc();
}
void __throw_bad_array_new_length() {
    throw bad_array_new_length();
}
void __throw_bad_cast() {
    throw bad_cast();
}
void __throw_bad_typeid() {
    throw bad_typeid();
}
void __throw_logic_error(const char* what) {
    throw RuntimeFault(what);
}
void __throw_domain_error(const char* what) {
    throw RuntimeFault(what);
}
void __throw_invalid_argument(const char* what) {
    throw RuntimeFault(what);
}
void __throw_length_error(const char* what) {
    throw RuntimeFault(what);
}
void __throw_out_of_range(const char* what) {
    throw RuntimeFault(what);
}
// The formats that begin with "%s" take the operation's name first (basic_string::substr, for one).
void __throw_out_of_range_fmt(const char* format, ...) {
    const char* what = format;
    if (format[0] == '%' && format[1] == 's') {
        va_list args;
        va_start(args, format);
        what = va_arg(args, const char*);
        va_end(args);
    }
    throw RuntimeFault(what);
}
void __throw_bad_function_call() {
    throw RuntimeFault("bad_function_call");
}
void __throw_runtime_error(const char* what) {
    throw RuntimeFault(what);
}
void __throw_range_error(const char* what) {
    throw RuntimeFault(what);
}
void __throw_overflow_error(const char* what) {
    throw RuntimeFault(what);
}
void __throw_underflow_error(const char* what) {
    throw RuntimeFault(what);
}

} // namespace std
