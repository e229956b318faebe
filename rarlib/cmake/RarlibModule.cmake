# The native tests' instrumentation, carried to whatever links an instrumented target.
set(RARLIB_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
function(rarlib_sanitize target)
    target_compile_options(${target} PUBLIC ${RARLIB_SANITIZE})
    target_link_options(${target} PUBLIC ${RARLIB_SANITIZE})
endfunction()

# rarlib_module(NAME SOURCES file... TESTS file... [TEST_INCLUDES dir...] [LIBS lib...]
#               [BENCH name file...])
# One module of the library, called from its folder src/NAME (paths relative to it):
#   rar_NAME            the static library; includers write "NAME/X.h"
# and, natively only:
#   rar_NAME_sanitized  the same instrumented, for rarlib_sanitized and the tests
#   NAME_test           the test of TESTS against rar_NAME_sanitized and rarlib_test_support
#   BENCH               a benchmark (a program, not a test) against rar_NAME and rarlib_bench_support
# Both programs see the module's tests/ folder and link LIBS; TEST_INCLUDES are the test's further folders.
# The Windows build's options for the modules are rarlib/CMakeLists.txt's.
function(rarlib_module name)
    cmake_parse_arguments(ARG "" "" "SOURCES;TESTS;TEST_INCLUDES;LIBS;BENCH" ${ARGN})
    set(library rar_${name})
    if(CMAKE_CROSSCOMPILING)
        set(variants ${library})
    else()
        set(variants ${library} ${library}_sanitized)
    endif()
    foreach(variant ${variants})
        add_library(${variant} STATIC ${ARG_SOURCES})
        target_include_directories(${variant} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/..)
        target_compile_features(${variant} PUBLIC cxx_std_20)
        target_compile_options(${variant} PRIVATE -O2)
    endforeach()
    if(CMAKE_CROSSCOMPILING)
        return()
    endif()
    rarlib_sanitize(${library}_sanitized)

    zarvo_add_test(${name}_test SOURCES ${ARG_TESTS}
                                LIBS ${library}_sanitized rarlib_test_support ${ARG_LIBS})
    set(programs ${name}_test)
    if(ARG_BENCH)
        list(POP_FRONT ARG_BENCH bench)
        add_executable(${bench} ${ARG_BENCH})
        target_link_libraries(${bench} PRIVATE ${library} rarlib_bench_support ${ARG_LIBS})
        target_compile_options(${bench} PRIVATE -O2)
        list(APPEND programs ${bench})
    endif()
    foreach(program ${programs})
        target_include_directories(${program} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
        target_compile_definitions(${program} PRIVATE RARLIB_TESTDATA_DIR="${RARLIB_TESTDATA_DIR}")
    endforeach()
    target_include_directories(${name}_test PRIVATE ${ARG_TEST_INCLUDES})
endfunction()
