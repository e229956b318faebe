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
