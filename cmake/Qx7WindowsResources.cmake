# The resources of the Windows programs, compiled by windres (CMake's RC
# language): the application icon, a manifest (the rights the program asks
# for, the Windows versions it knows, DPI awareness) and the version
# information, from packaging/windows/.
#   qx7_add_windows_resources(<target> DESCRIPTION <text> MANIFEST <file>)
# Included from the top level for Windows builds only.
enable_language(RC)
include(Qx7IconPngs)  # QX7_ICON_RENDERER

# The application icon as an .ico file, rendered from the SVG icon on the
# build machine. A build without the renderer (only the core and qx7ctl.exe,
# no Qt kit) makes the programs without their icon.
set(qx7_app_ico "${PROJECT_BINARY_DIR}/packaging/windows/qx7config.ico")
if(EXISTS "${QX7_ICON_RENDERER}")
    set(qx7_app_icon_svg "${PROJECT_SOURCE_DIR}/resources/icons/208.svg")
    add_custom_command(OUTPUT "${qx7_app_ico}"
        COMMAND "${CMAKE_COMMAND}" -E make_directory "${PROJECT_BINARY_DIR}/packaging/windows"
        COMMAND "${QX7_ICON_RENDERER}" "${qx7_app_icon_svg}" "16,20,24,32,40,48,64,256=${qx7_app_ico}"
        DEPENDS "${qx7_app_icon_svg}" "${QX7_ICON_RENDERER}"
        COMMENT "Rendering the application icon for Windows"
        VERBATIM)
    add_custom_target(qx7_app_ico DEPENDS "${qx7_app_ico}")
else()
    message(STATUS "No qx7-render-icon at QX7_ICON_RENDERER=${QX7_ICON_RENDERER}: the Windows programs are built "
                    "without the application icon")
endif()

# The company named in the version information: the holder the copyright
# line names ("Copyright (C) 2024 Name" gives "Name").
string(REGEX REPLACE "^[Cc]opyright *(\\([Cc]\\)|©)? *([0-9][0-9, -]*)?" "" qx7_company_name
       "${QX7_COPYRIGHT_NOTICE}")
string(STRIP "${qx7_company_name}" qx7_company_name)

# Text for a string in a resource script: a double quote is written twice.
function(qx7_rc_string out text)
    string(REPLACE "\"" "\"\"" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(qx7_add_windows_resources target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "DESCRIPTION;MANIFEST" "")
    if(NOT arg_DESCRIPTION OR NOT EXISTS "${arg_MANIFEST}")
        message(FATAL_ERROR "qx7_add_windows_resources(${target}): needs DESCRIPTION and an existing MANIFEST")
    endif()
    set(qx7_rc_target "${target}")
    set(qx7_rc_file_name "${target}${CMAKE_EXECUTABLE_SUFFIX}")
    set(qx7_rc_manifest "${arg_MANIFEST}")
    qx7_rc_string(qx7_rc_description "${arg_DESCRIPTION}")
    qx7_rc_string(qx7_rc_company "${qx7_company_name}")
    qx7_rc_string(qx7_rc_copyright "${QX7_COPYRIGHT_NOTICE}")
    set(depends "${arg_MANIFEST}")
    if(TARGET qx7_app_ico)
        set(qx7_rc_icon_line "IDI_ICON1 ICON \"${qx7_app_ico}\"")
        list(APPEND depends "${qx7_app_ico}")
    else()
        set(qx7_rc_icon_line "// (built without the application icon)")
    endif()
    set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}.rc")
    configure_file("${PROJECT_SOURCE_DIR}/packaging/windows/program.rc.in" "${rc}" @ONLY)
    # An object library of its own, so that the program's C++ flags and
    # definitions (warnings, quoted strings) never reach windres.
    add_library(${target}_resources OBJECT "${rc}")
    set_source_files_properties("${rc}" PROPERTIES OBJECT_DEPENDS "${depends}")
    if(TARGET qx7_app_ico)
        add_dependencies(${target}_resources qx7_app_ico)
    endif()
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:${target}_resources>)
endfunction()
