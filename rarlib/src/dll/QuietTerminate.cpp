// The C++ runtime's default terminate handler prints the active exception's demangled type to stderr.
// A DLL has no console to print to, and the demangler alone adds about 46 KB to Unrar.dll; defining
// the handler here keeps the runtime's copy (and the demangler) out of the link. Every exported
// function catches at its edge, so this only runs on a fault that would end the process anyway.
#include <cstdlib>
#include <exception>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
    std::abort();
}

} // namespace __gnu_cxx
