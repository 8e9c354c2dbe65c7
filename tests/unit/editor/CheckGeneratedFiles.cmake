# Runs a generator afresh into OUT and compares every file it writes with the
# committed one of the same name in COMMITTED, so that what is committed is
# always what the generator makes from the current layout.
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${PYTHON} ${GENERATOR} ${OUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${GENERATOR} failed: ${result}")
endif()
file(GLOB written RELATIVE ${OUT} ${OUT}/*)
if(NOT written)
    message(FATAL_ERROR "${GENERATOR} wrote nothing")
endif()
foreach(name ${written})
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${name} ${COMMITTED}/${name}
                    RESULT_VARIABLE different)
    if(different)
        message(SEND_ERROR "${COMMITTED}/${name} is not what ${GENERATOR} writes; run it and commit the result")
    endif()
endforeach()
