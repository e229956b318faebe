# zarvo_layered_include(TARGET FOLDER): includers of TARGET write "FOLDER/X.h" and see no other folder.
# Use it in place of target_include_directories(TARGET PUBLIC ${PROJECT_SOURCE_DIR}).
#
# The include root is a folder of its own in the build tree holding one link, FOLDER -> the sources.
# Linking TARGET carries the root along (PUBLIC), so a folder sees exactly those of its dependencies.
function(zarvo_layered_include target folder)
    set(root "${CMAKE_BINARY_DIR}/include/${folder}")
    file(MAKE_DIRECTORY "${root}")
    file(CREATE_LINK "${PROJECT_SOURCE_DIR}/${folder}" "${root}/${folder}" SYMBOLIC)
    target_include_directories(${target} PUBLIC "${root}")
endfunction()

# zarvo_header_links(ROOT BASE HEADER...): ROOT becomes an include root holding a link to each HEADER of
# BASE (a path below BASE, e.g. "mkpayload/BitWriter.h"), so that includers write "HEADER" and see no
# other file of that folder.
function(zarvo_header_links root base)
    foreach(header ${ARGN})
        cmake_path(GET header PARENT_PATH folder)
        file(MAKE_DIRECTORY "${root}/${folder}")
        file(CREATE_LINK "${base}/${header}" "${root}/${header}" SYMBOLIC)
    endforeach()
endfunction()
