# Writes the AppStream metadata: run by the build (packaging/CMakeLists.txt)
# as cmake -P with QX7_MODALIASES_TOOL, QX7_METAINFO_TEMPLATE,
# QX7_METAINFO_OUTPUT and QX7_PROJECT_URL. The modaliases come from the
# programs' own table of drive ids, so that a software centre offers the
# program for exactly the drives it serves.
execute_process(COMMAND "${QX7_MODALIASES_TOOL}"
                OUTPUT_VARIABLE modaliases RESULT_VARIABLE status OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT status EQUAL 0 OR modaliases STREQUAL "")
    message(FATAL_ERROR "${QX7_MODALIASES_TOOL} gave no modaliases (${status})")
endif()
string(REPLACE "\n" ";" modaliases "${modaliases}")
set(QX7_MODALIAS_LINES "")
foreach(modalias IN LISTS modaliases)
    if(NOT modalias MATCHES "^usb:v[0-9A-F][0-9A-F][0-9A-F][0-9A-F]p[0-9A-F][0-9A-F][0-9A-F][0-9A-F]d\\*$")
        message(FATAL_ERROR "Not a USB modalias: ${modalias}")
    endif()
    if(NOT QX7_MODALIAS_LINES STREQUAL "")
        string(APPEND QX7_MODALIAS_LINES "\n")
    endif()
    string(APPEND QX7_MODALIAS_LINES "    <modalias>${modalias}</modalias>")
endforeach()
configure_file("${QX7_METAINFO_TEMPLATE}" "${QX7_METAINFO_OUTPUT}" @ONLY)
