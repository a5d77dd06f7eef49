# Runs deptrix-batch on the bundled sample and compares every output with its pinned
# SHA-256. Called by CTest with BATCH, SAMPLE, DIGESTS and WORK defined.
# One thread and several give the same bytes.
foreach(threads 1 3)
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/views")

execute_process(COMMAND "${BATCH}" --info "${SAMPLE}" --threads ${threads}
    OUTPUT_FILE "${WORK}/info.json" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "deptrix-batch --info failed with ${status}")
endif()
execute_process(COMMAND "${BATCH}" "${SAMPLE}" --views "${WORK}/views" --gif "${WORK}/out.gif"
                        --anaglyph "${WORK}/ana.bmp" --jps "${WORK}/pair.jps" --threads ${threads}
    RESULT_VARIABLE status ERROR_QUIET)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "deptrix-batch outputs failed with ${status}")
endif()

file(STRINGS "${DIGESTS}" lines REGEX "^[0-9a-f]+  ")
set(failures "")
foreach(line IN LISTS lines)
    string(REGEX MATCH "^([0-9a-f]+)  (.+)$" _ "${line}")
    set(expected "${CMAKE_MATCH_1}")
    set(name "${CMAKE_MATCH_2}")
    if(NOT EXISTS "${WORK}/${name}")
        string(APPEND failures "\n  ${name}: not written")
        continue()
    endif()
    file(SHA256 "${WORK}/${name}" actual)
    if(NOT actual STREQUAL expected)
        string(APPEND failures "\n  ${name}: ${actual}, pinned ${expected}")
    endif()
endforeach()
list(LENGTH lines count)
if(count LESS 11)
    message(FATAL_ERROR "${DIGESTS} pins only ${count} outputs")
endif()
if(failures)
    message(FATAL_ERROR "outputs of ${threads} threads differ from the pinned digests:${failures}")
endif()
file(REMOVE_RECURSE "${WORK}")
endforeach()
