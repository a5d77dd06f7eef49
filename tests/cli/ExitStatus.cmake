# Runs PROGRAM with ARGUMENTS (separated by commas) and checks its exit status against EXPECTED.
string(REPLACE "," ";" arguments "${ARGUMENTS}")
execute_process(COMMAND ${PROGRAM} ${arguments} RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT status STREQUAL EXPECTED)
    message(FATAL_ERROR "exit status ${status}, expected ${EXPECTED}\n${errors}")
endif()
