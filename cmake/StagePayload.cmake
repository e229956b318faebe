# cmake -DSOURCE_DIR=... -DPRODUCT_DIR=... -DRUNTIME=... -DSTAGE=... -P StagePayload.cmake
# Copies the product folder and its runtime library to STAGE (Dist/ and RTW32.dll) and sets every
# file's modification time to SOURCE_DATE_EPOCH, or else to the time of the checked-out commit.
foreach(var SOURCE_DIR PRODUCT_DIR RUNTIME STAGE)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "StagePayload: ${var} is not given")
    endif()
endforeach()

set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(epoch STREQUAL "")
    execute_process(COMMAND git -C ${SOURCE_DIR} log -1 --format=%ct
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE git_result ERROR_QUIET)
    if(NOT git_result EQUAL 0)
        set(epoch "")
    endif()
endif()
if(NOT epoch MATCHES "^[0-9]+$")
    message(FATAL_ERROR "StagePayload: no commit time; set SOURCE_DATE_EPOCH for a build outside a git clone")
endif()

file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
file(COPY ${PRODUCT_DIR} ${RUNTIME} DESTINATION ${STAGE})
file(GLOB_RECURSE staged LIST_DIRECTORIES true ${STAGE}/*)
execute_process(COMMAND touch -h -d @${epoch} ${staged} RESULT_VARIABLE touch_result)
if(NOT touch_result EQUAL 0)
    message(FATAL_ERROR "StagePayload: cannot set the file times in ${STAGE}")
endif()
