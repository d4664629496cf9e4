# GoogleTest: Debian's package natively; for Windows builds, Debian's sources built with the cross
# compiler (no prebuilt gtest exists for mingw).
if(CMAKE_CROSSCOMPILING)
    set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
    set(TEMBREL_GTEST_MAIN gtest_main)
    set(TEMBREL_GMOCK gmock)
else()
    find_package(GTest REQUIRED)
    set(TEMBREL_GTEST_MAIN GTest::gtest_main)
    set(TEMBREL_GMOCK GTest::gmock)
endif()
include(GoogleTest)

# tembrel_add_test(name SOURCES ... LIBS ... [DEPENDS ...] [WINDOWS_ONLY] [SERIAL] [TIMEOUT s])
# DEPENDS: programs and libraries of the tree that the test starts or loads. They are built before
# the test, and the test goes beside them into bin/, where it finds them as the program finds its
# companions.
# SERIAL: the test needs the keyboard focus or the foreground window, which a window of another
# test running at the same time could take.
# TIMEOUT: seconds each case may take (120 unless given), for cases that wait on real programs.
# One executable per area; each GoogleTest case becomes a ctest entry. Discovery happens before the
# run, not at build time, because under Wine the executable cannot run during the build.
function(tembrel_add_test name)
    cmake_parse_arguments(T "WINDOWS_ONLY;SERIAL" "TIMEOUT" "SOURCES;LIBS;DEPENDS" ${ARGN})
    if(T_WINDOWS_ONLY AND NOT WIN32)
        return()
    endif()
    add_executable(${name} ${T_SOURCES})
    tembrel_warnings(${name})
    target_link_libraries(${name} PRIVATE ${T_LIBS} ${TEMBREL_GMOCK} ${TEMBREL_GTEST_MAIN})
    if(MSVC)
        target_compile_options(${name} PRIVATE /bigobj)
    elseif(WIN32 AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
        target_compile_options(${name} PRIVATE -Wa,-mbig-obj)
    endif()
    if(T_DEPENDS)
        add_dependencies(${name} ${T_DEPENDS})
        set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    endif()
    if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
        return() # built, to prove it compiles for this target, but nothing here can run it
    endif()
    set(serial FALSE)
    if(T_SERIAL)
        set(serial TRUE)
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                         PROPERTIES TIMEOUT ${T_TIMEOUT} RUN_SERIAL ${serial})
endfunction()
