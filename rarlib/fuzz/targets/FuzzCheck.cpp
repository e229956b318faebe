#include "FuzzTargets.h"

#include <cstdio>
#include <cstdlib>

namespace rarfuzz {

void checkFailed(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    std::abort();
}

} // namespace rarfuzz
