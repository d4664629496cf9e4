# Our own targets build warning-free; third-party code (GoogleTest) keeps its own flags.
option(TEMBREL_WERROR "Treat warnings as errors" ON)

function(tembrel_warnings target)
    if(MSVC)
        # /W4 holds what -Wall -Wextra -Wconversion -Wshadow find with GCC and clang (C4244 and
        # C4267 narrowing, C4456 to C4459 shadowing); /permissive- is the standard's rules.
        # C4245 is the signed/unsigned conversion that -Wno-sign-conversion leaves out elsewhere.
        target_compile_options(${target} PRIVATE /W4 /permissive- /wd4245 /utf-8)
        if(TEMBREL_WERROR)
            target_compile_options(${target} PRIVATE /WX)
        endif()
    else()
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                                 -Wno-sign-conversion)
        if(TEMBREL_WERROR)
            target_compile_options(${target} PRIVATE -Werror)
        endif()
    endif()
    if(WIN32)
        # Build for Windows 7 and later with the wide API throughout.
        target_compile_definitions(${target} PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                                     _WIN32_WINNT=0x0601 WINVER=0x0601)
    endif()
endfunction()
