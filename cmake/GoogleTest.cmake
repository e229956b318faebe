# GoogleTest from Debian's source package, built with this build's own compiler and flags
# (so the mingw build and the sanitized native build link against matching libraries).
set(ZARVO_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${ZARVO_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

# zarvo_add_test(NAME SOURCES... LIBS ...): one test executable = one CTest entry.
# Windows tests run under Wine through CMAKE_CROSSCOMPILING_EMULATOR.
function(zarvo_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name})
endfunction()
