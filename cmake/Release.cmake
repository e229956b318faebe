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

# Static libraries without member dates, owners or modes.
foreach(lang C CXX)
    set(CMAKE_${lang}_ARCHIVE_CREATE "<CMAKE_AR> qcD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_APPEND "<CMAKE_AR> qD <TARGET> <LINK_FLAGS> <OBJECTS>")
    set(CMAKE_${lang}_ARCHIVE_FINISH "<CMAKE_RANLIB> -D <TARGET>")
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

function(zarvo_release_finish)
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
