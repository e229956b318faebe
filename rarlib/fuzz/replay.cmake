# The CI replay of the saved fuzz inputs: the fuzz targets built without libFuzzer, with the native
# tests' sanitizers, each input of fuzz/corpus/<target>/ run once. Included from rarlib's CMake file
# in the native build, after rarlib_sanitized is defined.
set(RARFUZZ_DIR ${CMAKE_CURRENT_LIST_DIR})
cmake_path(GET RARFUZZ_DIR PARENT_PATH RARFUZZ_RARLIB_DIR)

zarvo_add_test(rarlib_fuzz_replay
    SOURCES ${RARFUZZ_DIR}/replay/ReplayTest.cpp ${RARFUZZ_DIR}/targets/FuzzCheck.cpp
            ${RARFUZZ_DIR}/targets/ArchiveTarget.cpp ${RARFUZZ_DIR}/targets/Lz29Target.cpp
            ${RARFUZZ_DIR}/targets/PpmdTarget.cpp ${RARFUZZ_DIR}/targets/FilterTarget.cpp
    LIBS rarlib_sanitized)
target_include_directories(rarlib_fuzz_replay PRIVATE ${RARFUZZ_RARLIB_DIR}/src ${RARFUZZ_DIR}/targets)
target_compile_definitions(rarlib_fuzz_replay PRIVATE RARFUZZ_CORPUS_DIR="${RARFUZZ_DIR}/corpus")
