# Writes the --help text of PROGRAM to OUTPUT; a program that fails to print it fails the build.
execute_process(COMMAND ${PROGRAM} --help OUTPUT_FILE ${OUTPUT}.tmp RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
    file(REMOVE ${OUTPUT}.tmp)
    message(FATAL_ERROR "${PROGRAM} --help failed (${status}): ${errors}")
endif()
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
