# Runs lupdate over the system's sources into a copy of i18n/Chinese.ts and fails when that
# finds a text the catalogue lacks (left unfinished) or a text the code no longer has (vanished).
file(MAKE_DIRECTORY ${WORK_DIR})
set(copy ${WORK_DIR}/Chinese.ts)
configure_file(${SOURCE_DIR}/i18n/Chinese.ts ${copy} COPYONLY)
execute_process(
    COMMAND ${LUPDATE} -silent -locations none -I ${SOURCE_DIR}
        ${SOURCE_DIR}/app ${SOURCE_DIR}/serial ${SOURCE_DIR}/protocol ${SOURCE_DIR}/display
        ${SOURCE_DIR}/ui ${SOURCE_DIR}/check ${SOURCE_DIR}/batch -ts ${copy}
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "lupdate failed: ${result}")
endif()
file(STRINGS ${copy} unfinished REGEX "type=\"(unfinished|vanished|obsolete)\"")
if(unfinished)
    file(STRINGS ${copy} lines)
    set(report "")
    set(previous "")
    foreach(line IN LISTS lines)
        if(line MATCHES "type=\"(unfinished|vanished|obsolete)\"")
            string(APPEND report "${previous}\n")
        endif()
        set(previous "${line}")
    endforeach()
    message(FATAL_ERROR "Chinese.ts is not complete for these texts:\n${report}")
endif()
message(STATUS "Chinese.ts covers every translatable text")
