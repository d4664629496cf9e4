# cmake -DTOOL=<icon_tool> -DCOMMITTED=<windows/res> -DOUT=<scratch folder> -P CheckIcons.cmake
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
execute_process(COMMAND "${TOOL}" "${OUT}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${TOOL} failed: ${result}")
endif()
foreach(icon Tembrel.ico Bonus.ico)
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${OUT}/${icon}" "${COMMITTED}/${icon}"
                    RESULT_VARIABLE differ)
    if(NOT differ EQUAL 0)
        message(FATAL_ERROR "${COMMITTED}/${icon} is not what the drawing code makes: "
                            "cmake --build --preset native --target icons")
    endif()
endforeach()
