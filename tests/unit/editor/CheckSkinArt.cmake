# Draws the skin afresh and compares it with the committed bitmaps, so the
# art in resources/ is always what tools/skin/make_skin.py makes from the
# current layout.
file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
execute_process(COMMAND ${PYTHON} ${SOURCE}/tools/skin/make_skin.py ${OUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "make_skin.py failed: ${result}")
endif()
file(GLOB drawn RELATIVE ${OUT} ${OUT}/*.bmp)
foreach(name ${drawn})
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${name} ${SOURCE}/resources/${name}
                    RESULT_VARIABLE different)
    if(different)
        message(SEND_ERROR "resources/${name} is not what tools/skin/make_skin.py draws; run it and commit the result")
    endif()
endforeach()
