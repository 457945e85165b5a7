# Runs the build stamp script for two moments given as SOURCE_DATE_EPOCH and compares what it
# writes with the compiler's forms of those moments in UTC.
foreach(case "1686042307;Jun  6 2023;09:05:07" "1702997999;Dec 19 2023;14:59:59")
    list(GET case 0 epoch)
    list(GET case 1 date)
    list(GET case 2 time)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${epoch}
        ${CMAKE_COMMAND} -DOUTPUT=${WORK_DIR}/stamp.cpp -P ${SOURCE_DIR}/app/buildstamp.cmake
        RESULT_VARIABLE result)
    file(READ ${WORK_DIR}/stamp.cpp written)
    string(FIND "${written}" "DateStamp[] = \"${date}\";" date_at)
    string(FIND "${written}" "TimeStamp[] = \"${time}\";" time_at)
    if(NOT result EQUAL 0 OR date_at EQUAL -1 OR time_at EQUAL -1)
        message(FATAL_ERROR "For ${epoch} expected \"${date}\" and \"${time}\", got:\n${written}")
    endif()
endforeach()
