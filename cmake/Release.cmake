# The release build (preset "release"): what ships, small and byte-for-byte reproducible.
# Included right after project(Zarvo) through CMAKE_PROJECT_Zarvo_INCLUDE, so every target of the
# tree, the stand-in product inside the payload included, gets the same flags.

# Every function and object in a section of its own, so the linker can drop what nothing references.
add_compile_options(-ffunction-sections -fdata-sections)
# Nothing asks a type for its name or casts by it; exceptions keep the type data they are caught by.
add_compile_options(-fno-rtti)
# Size before speed: -Oz over the build type's -Os, and functions packed without padding. The library's
# decoding loop keeps its own -O2 (rarlib/CMakeLists.txt), which comes after these.
add_compile_options(-Oz -falign-functions=1)
# No build folder in the bytes: __FILE__ and friends name paths relative to the tree.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)
# Stripped, unreferenced sections dropped, and no link time in the PE headers.
add_link_options(-s -Wl,--gc-sections -Wl,--no-insert-timestamp)
# Link-time optimisation (the program without its two embedded files: 255,976 -> 213,109 bytes): across
# the whole program the compiler drops what no single file could see is unused, inlines what has one
# caller, and far fewer functions need unwind data. One partition, so the code does not depend on how
# the work was split. The extraction library stays out (see zarvo_release_finish). The policy keeps
# GoogleTest's older project from warning that it ignores the setting.
set(CMAKE_INTERPROCEDURAL_OPTIMIZATION ON)
set(CMAKE_POLICY_DEFAULT_CMP0069 NEW)
add_link_options(-flto-partition=one)

# Static libraries without member dates, owners or modes.
foreach(lang C CXX)
    set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
    # The same for the archives of link-time objects, through the compiler's wrappers, which index them.
    set(CMAKE_${lang}_ARCHIVE_CREATE_IPO "\"${CMAKE_${lang}_COMPILER_AR}\" qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_APPEND_IPO "\"${CMAKE_${lang}_COMPILER_AR}\" qD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_FINISH_IPO "\"${CMAKE_${lang}_COMPILER_RANLIB}\" -D <TARGET>")
endforeach()

# The payload stores each file's modification time, and the stand-in product is rebuilt at a new time
# in every build folder. The release packs a copy of it whose times are the commit's
# (SOURCE_DATE_EPOCH when set), so the same commit gives the same archive.
set(ZARVO_RELEASE_PAYLOAD_STAGE "${CMAKE_BINARY_DIR}/payload-stage")
if(NOT ZARVO_PAYLOAD_DIR AND NOT ZARVO_PAYLOAD_RAR)
    set(ZARVO_PAYLOAD_DIR "${ZARVO_RELEASE_PAYLOAD_STAGE}/Dist" CACHE PATH "" FORCE)
    set(ZARVO_PAYLOAD_RUNTIME "${ZARVO_RELEASE_PAYLOAD_STAGE}/RTW32.dll" CACHE FILEPATH "" FORCE)
endif()

# widl writes the time of its run into the kernel's type library.
set(ZARVO_WIDL "${CMAKE_SOURCE_DIR}/cmake/widl-reproducible" CACHE FILEPATH "" FORCE)

# The extraction library without link-time optimisation: it would save Unrar.dll 0.5 KB, and its decoding
# loop is built for speed file by file (-O2), as measured without it. Its parts link only with each other
# and, as ordinary objects, into the program.
function(zarvo_release_no_lto dir)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(NOT type STREQUAL "INTERFACE_LIBRARY" AND NOT type STREQUAL "UTILITY")
            set_property(TARGET ${target} PROPERTY INTERPROCEDURAL_OPTIMIZATION OFF)
        endif()
    endforeach()
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(subdir IN LISTS subdirs)
        zarvo_release_no_lto(${subdir})
    endforeach()
endfunction()

function(zarvo_release_finish)
    zarvo_release_no_lto(${CMAKE_SOURCE_DIR}/rarlib)

    if(TARGET zarvo_product AND TARGET zarvo_payload
       AND ZARVO_PAYLOAD_DIR STREQUAL "${ZARVO_RELEASE_PAYLOAD_STAGE}/Dist")
        add_custom_target(zarvo_release_payload_stage
            COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${CMAKE_SOURCE_DIR} -DPRODUCT_DIR=${ZARVO_PRODUCT_DIR}
                    -DRUNTIME=${ZARVO_PRODUCT_RUNTIME} -DSTAGE=${ZARVO_RELEASE_PAYLOAD_STAGE}
                    -P ${CMAKE_SOURCE_DIR}/cmake/StagePayload.cmake
            COMMENT "Staging the product with the commit's file times"
            VERBATIM)
        add_dependencies(zarvo_release_payload_stage zarvo_product)
        add_dependencies(zarvo_payload zarvo_release_payload_stage)
    endif()

    add_test(NAME release_reproducible COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-reproducible ${CMAKE_BINARY_DIR})
    set_tests_properties(release_reproducible PROPERTIES TIMEOUT 1200)
endfunction()
cmake_language(DEFER CALL zarvo_release_finish)
