# Fails when the editor's password can be read from PROGRAM, as ASCII or as
# UTF-16LE text (what a strings tool shows). The same search must find a text
# that is known to be there, or it proves nothing.
#   cmake -DPROGRAM=Tesmor.exe -P no_password.cmake
file(READ "${PROGRAM}" bytes HEX)

function(hex_of text encoding result)
    set(hex "")
    string(LENGTH "${text}" length)
    math(EXPR last "${length} - 1")
    foreach(i RANGE ${last})
        string(SUBSTRING "${text}" ${i} 1 char)
        string(HEX "${char}" code)
        string(APPEND hex "${code}")
        if(encoding STREQUAL "utf16")
            string(APPEND hex "00")
        endif()
    endforeach()
    set(${result} "${hex}" PARENT_SCOPE)
endfunction()

hex_of("Sorry, incorrect password." utf16 known)
string(FIND "${bytes}" "${known}" at)
if(at EQUAL -1)
    message(FATAL_ERROR "the search does not find a text that the program holds")
endif()

foreach(encoding ascii utf16)
    hex_of("479 zkp" ${encoding} secret)
    string(FIND "${bytes}" "${secret}" at)
    if(NOT at EQUAL -1)
        message(FATAL_ERROR "the password stands in ${PROGRAM} as ${encoding} text")
    endif()
endforeach()
message(STATUS "the password cannot be read from ${PROGRAM}")
