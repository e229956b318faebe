# What every Windows binary of both trees gets beyond the linker's defaults (DYNAMIC_BASE, NX_COMPAT).
# The toolchain includes this file at project() (CMAKE_PROJECT_INCLUDE) rather than through its
# *_FLAGS_INIT, which a tree configured before would keep in its cache. Once, in the top directory:
# GoogleTest's own project() calls inherit it.
include_guard(GLOBAL)

# Large-address aware: on 64-bit Windows the 32-bit process may use up to 4 GB. Pointers travel only in
# pointer-sized types (LPARAM, LONG_PTR, DWORD_PTR), never in int or LONG.
add_link_options(-Wl,--large-address-aware)

# No stack protector: GCC's (libssp) seeds its canary through CryptoAPI in a constructor that runs before
# the program's entry, which loads a crypto provider by its bare name before the program has restricted
# where libraries load from (a library planted beside the installer would be loaded elevated), and in a
# library it would do so under the loader lock.
