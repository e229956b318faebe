# What every Windows binary of both trees gets beyond the linker's defaults (DYNAMIC_BASE, NX_COMPAT).
# The toolchain includes this file at project() (CMAKE_PROJECT_INCLUDE) rather than through its
# *_FLAGS_INIT, which a tree configured before would keep in its cache. Once, in the top directory:
# GoogleTest's own project() calls inherit it.
include_guard(GLOBAL)

# Large-address aware: on 64-bit Windows the 32-bit process may use up to 4 GB. Pointers travel only in
# pointer-sized types (LPARAM, LONG_PTR, DWORD_PTR), never in int or LONG.
add_link_options(-Wl,--large-address-aware)

# A canary in each function with an array or an address-taken local, so that the tests stop at a
# smashed frame. The driver links GCC's libssp for it, statically here (-static). The release keeps
# only the plain level for size (Release.cmake); Unrar.dll goes without (rarlib/CMakeLists.txt).
add_compile_options(-fstack-protector-strong)
add_link_options(-fstack-protector-strong)
