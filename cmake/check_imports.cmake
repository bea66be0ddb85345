# Fails when PROGRAM imports a DLL that is not in ALLOWED (comma list, any
# case), or has no import table at all. Both programs run where nothing of
# theirs is installed, and a DLL the loader does not take from the system
# would be looked for beside the program first, where a planted file of that
# name would be loaded.
#   cmake -DOBJDUMP=... -DPROGRAM=... -DALLOWED=KERNEL32,USER32 -P check_imports.cmake
execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "objdump failed on ${PROGRAM}")
endif()
string(TOLOWER "${ALLOWED}" allowed)
string(REPLACE "," ";" allowed "${allowed}")
string(REGEX MATCHALL "DLL Name: [^\n]+" names "${dump}")
if(NOT names)
    message(FATAL_ERROR "no import table found in ${PROGRAM}")
endif()
set(bad "")
foreach(line ${names})
    string(REGEX REPLACE "DLL Name: ([^.]+)\\.[dD][lL][lL].*" "\\1" dll "${line}")
    string(TOLOWER "${dll}" dll)
    list(FIND allowed "${dll}" at)
    if(at EQUAL -1)
        list(APPEND bad ${dll})
    endif()
endforeach()
if(bad)
    message(FATAL_ERROR "${PROGRAM} imports libraries outside its list: ${bad}")
endif()
message(STATUS "imports: ${names}")
