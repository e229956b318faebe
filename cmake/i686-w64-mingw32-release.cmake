# The release toolchain: the same compiler with the win32 thread model.
#
# The program and the library use no C++ threads (their threads are Win32 threads), but the posix
# model's exception runtime takes its locks from winpthread, which a static link then carries whole:
# about 30 KB of the program. The win32 model's runtime locks with the system's own primitives. The
# development and test builds keep the posix model, whose std::thread the tests use.
set(ZARVO_MINGW_THREAD_MODEL win32)
include(${CMAKE_CURRENT_LIST_DIR}/i686-w64-mingw32.cmake)
