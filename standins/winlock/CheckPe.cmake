cmake_minimum_required(VERSION 3.25)
# Checks a Windows module with objdump:
#   EXPORTS  the exact set of exported names (","-separated), each plain: no "@N", no leading "_";
#   imports  only DLLs that every Windows has, so nothing from the MinGW runtime must be shipped.
#   RESTRICTED_SEARCH  the program imports SetDefaultDllDirectories (it restricts the DLL search
#            to System32 before anything else) and not comctl32.dll, whose load at start would
#            come before that restriction
# cmake -DOBJDUMP=... -DMODULE=... [-DEXPORTS=a,b,c] [-DRESTRICTED_SEARCH=ON] -P CheckPe.cmake
execute_process(COMMAND ${OBJDUMP} -p ${MODULE} OUTPUT_VARIABLE dump RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} cannot read ${MODULE}")
endif()
string(REPLACE "\n" ";" lines "${dump}")

set(failures "")
set(system_dlls kernel32 user32 gdi32 advapi32 shell32 comctl32 comdlg32 ole32 oleaut32 uxtheme
                shlwapi dwmapi version msimg32 winmm imm32 ntdll msvcrt ucrtbase shcore gdiplus
                ws2_32 bcrypt crypt32 userenv wtsapi32)
foreach(line IN LISTS lines)
    if(line MATCHES "DLL Name: (.+)$")
        string(TOLOWER "${CMAKE_MATCH_1}" dll)
        string(REGEX REPLACE "\\.dll$" "" base "${dll}")
        if(NOT base IN_LIST system_dlls AND NOT base MATCHES "^api-ms-win-")
            string(APPEND failures "imports ${dll}, which Windows does not provide\n")
        endif()
    endif()
endforeach()

if(RESTRICTED_SEARCH)
    if(NOT dump MATCHES "[ \t]SetDefaultDllDirectories\n")
        string(APPEND failures "does not import SetDefaultDllDirectories: the DLL search is open\n")
    endif()
    if(dump MATCHES "DLL Name: [Cc][Oo][Mm][Cc][Tt][Ll]32")
        string(APPEND failures "imports comctl32.dll, loaded before the DLL search is restricted\n")
    endif()
endif()

if(DEFINED EXPORTS)
    string(REPLACE "," ";" expected "${EXPORTS}")
    set(in_table FALSE)
    set(exported "")
    foreach(line IN LISTS lines)
        if(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
            set(in_table TRUE)
        elseif(in_table AND line MATCHES "^[ \t]*\\[ *[0-9]+\\] (.+)$")
            list(APPEND exported "${CMAKE_MATCH_1}")
        elseif(in_table)
            set(in_table FALSE)
        endif()
    endforeach()
    foreach(name IN LISTS exported)
        if(name MATCHES "@" OR name MATCHES "^_")
            string(APPEND failures "exports the decorated name ${name}\n")
        elseif(NOT name IN_LIST expected)
            string(APPEND failures "exports the unexpected name ${name}\n")
        endif()
    endforeach()
    foreach(name IN LISTS expected)
        if(NOT name IN_LIST exported)
            string(APPEND failures "does not export ${name}\n")
        endif()
    endforeach()
endif()

if(failures)
    message(FATAL_ERROR "${MODULE}:\n${failures}")
endif()
list(LENGTH exported count)
message(STATUS "${MODULE}: ${count} plain exports, system imports only")
