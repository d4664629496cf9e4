# Our own targets build warning-free; third-party code (GoogleTest) keeps its own flags.
option(TEMBREL_WERROR "Treat warnings as errors" ON)

function(tembrel_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                             -Wno-sign-conversion)
    if(TEMBREL_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    if(WIN32)
        # Build for Windows 7 and later with the wide API throughout.
        target_compile_definitions(${target} PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                                     _WIN32_WINNT=0x0601 WINVER=0x0601)
    endif()
endfunction()
