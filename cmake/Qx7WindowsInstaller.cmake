# The desktop program on Windows: what it needs beside it, and the installer.
#
# qx7_installer_files: build/windows/installer/files, the two programs with
# what the window loads at run time beside them (the Qt DLLs, the platform
# and style plugins, the MinGW runtime of the Qt DLLs, Qt's Korean
# translation and the qt.conf that points Qt at it), laid out as installed
# and runnable in place (under wine too). The build tree's qx7config.exe
# gets nothing beside it: its tests start it with the kit's DLLs and
# plugins (WINEPATH, the offscreen platform), which copies would shadow.
#
# qx7_installer: qx7config-setup-VERSION.exe in the build folder, made by
# makensis (Debian's nsis) from packaging/windows/qx7config.nsi. It installs
# those files into "Program Files\QX7 Configurator",
# with a Start-menu entry and an uninstaller registered in Add/Remove
# Programs. tests/scripts/windows_installer_test.sh installs, runs and
# removes it under wine.
#
# Left out on purpose: Qt6Test; the tls plugins (the update check speaks
# HTTPS through WinHTTP in the core, and the window uses Qt Network only for
# its local socket); the imageformats plugins (the icons are PNG, which QtGui
# reads itself); the offscreen, minimal and direct2d platform plugins.

find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Network)

# Qt's own translations (Debian's qt6-translations-l10n; a Qt kit from Qt's
# installer has them in its translations folder).
find_file(QX7_QTBASE_KO_QM qtbase_ko.qm
          PATHS "${QT6_INSTALL_PREFIX}/${QT6_INSTALL_TRANSLATIONS}" /usr/share/qt6/translations
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
          DOC "Qt's Korean translation (qtbase_ko.qm) shipped with the desktop program")

# The MinGW runtime the Qt DLLs were linked against, as the compiler finds it.
set(qx7_mingw_runtime)
set(qx7_mingw_dlls)
if(MINGW)
    set(qx7_mingw_dlls libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
endif()
foreach(dll IN LISTS qx7_mingw_dlls)
    execute_process(COMMAND "${CMAKE_CXX_COMPILER}" -print-file-name=${dll}
                    OUTPUT_VARIABLE qx7_dll_path OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(qx7_dll_path "${qx7_dll_path}" ABSOLUTE)
    if(NOT EXISTS "${qx7_dll_path}")
        message(FATAL_ERROR "${CMAKE_CXX_COMPILER} does not find ${dll}, which the Qt DLLs need")
    endif()
    list(APPEND qx7_mingw_runtime "${dll}" "${qx7_dll_path}")
endforeach()

# Everything the program needs beside it, as pairs: the path below the
# program's folder, then the file it comes from.
set(QX7_WINDOWS_RUNTIME
    Qt6Core.dll "$<TARGET_FILE:Qt6::Core>"
    Qt6Gui.dll "$<TARGET_FILE:Qt6::Gui>"
    Qt6Widgets.dll "$<TARGET_FILE:Qt6::Widgets>"
    Qt6Network.dll "$<TARGET_FILE:Qt6::Network>"
    platforms/qwindows.dll "$<TARGET_FILE:Qt6::QWindowsIntegrationPlugin>"
    styles/qwindowsvistastyle.dll "$<TARGET_FILE:Qt6::QWindowsVistaStylePlugin>"
    ${qx7_mingw_runtime}
    qt.conf "${PROJECT_SOURCE_DIR}/packaging/windows/qt.conf")
if(QX7_QTBASE_KO_QM)
    list(APPEND QX7_WINDOWS_RUNTIME translations/qtbase_ko.qm "${QX7_QTBASE_KO_QM}")
else()
    message(WARNING "qtbase_ko.qm not found (Debian: qt6-translations-l10n): qx7_installer will refuse to build")
endif()

# The installer's files: the two programs and the list above, staged in
# build/windows/installer/files with the programs and DLLs stripped of their
# symbols and debug information (about half their size; the build tree keeps
# them whole for debugging).
set(qx7_installer_dir "${PROJECT_BINARY_DIR}/installer")
set(qx7_installer_list
    qx7config.exe "$<TARGET_FILE:qx7config>"
    qx7ctl.exe "$<TARGET_FILE:qx7ctl>"
    ${QX7_WINDOWS_RUNTIME})
list(LENGTH qx7_installer_list qx7_installer_length)
math(EXPR qx7_installer_last "${qx7_installer_length} - 1")
set(qx7_staged)
# installed_files.nsh: what to install where (Qx7InstallFiles), and the same
# list as paths handed to a macro (Qx7ForEachInstalledFile, then
# Qx7ForEachInstalledFolder), so that the uninstaller deletes exactly what
# was installed and nothing else in the folder.
set(qx7_nsis_install "")
set(qx7_nsis_each_file "")
set(qx7_nsis_each_folder "")
set(qx7_nsis_folders "")
foreach(index RANGE 0 ${qx7_installer_last} 2)
    math(EXPR source_index "${index} + 1")
    list(GET qx7_installer_list ${index} destination)
    list(GET qx7_installer_list ${source_index} source)
    set(staged "${qx7_installer_dir}/files/${destination}")
    if(destination MATCHES "\\.(dll|exe)$" AND CMAKE_STRIP)
        add_custom_command(OUTPUT "${staged}"
                           COMMAND "${CMAKE_COMMAND}" -E copy "${source}" "${staged}"
                           COMMAND "${CMAKE_STRIP}" --strip-unneeded "${staged}"
                           DEPENDS "${source}" VERBATIM)
    else()
        add_custom_command(OUTPUT "${staged}" COMMAND "${CMAKE_COMMAND}" -E copy "${source}" "${staged}"
                           DEPENDS "${source}" VERBATIM)
    endif()
    list(APPEND qx7_staged "${staged}")

    get_filename_component(folder "${destination}" DIRECTORY)
    string(REPLACE "/" "\\" folder_windows "${folder}")
    string(REPLACE "/" "\\" destination_windows "${destination}")
    if(folder)
        string(APPEND qx7_nsis_install "    SetOutPath \"$INSTDIR\\${folder_windows}\"\n")
        if(NOT folder_windows IN_LIST qx7_nsis_folders)
            list(APPEND qx7_nsis_folders "${folder_windows}")
        endif()
    else()
        string(APPEND qx7_nsis_install "    SetOutPath \"$INSTDIR\"\n")
    endif()
    string(APPEND qx7_nsis_install "    File \"${staged}\"\n")
    string(APPEND qx7_nsis_each_file "    !insertmacro \${MACRO} \"$INSTDIR\\${destination_windows}\"\n")
endforeach()
foreach(folder IN LISTS qx7_nsis_folders)
    string(APPEND qx7_nsis_each_folder "    !insertmacro \${MACRO} \"$INSTDIR\\${folder}\"\n")
endforeach()
add_custom_target(qx7_installer_files DEPENDS ${qx7_staged})
add_dependencies(qx7_installer_files qx7config qx7ctl)
file(WRITE "${qx7_installer_dir}/installed_files.nsh.in"
     "; Generated by cmake/Qx7WindowsInstaller.cmake: the files of the installer.\n\
!macro Qx7InstallFiles\n${qx7_nsis_install}!macroend\n\
!macro Qx7ForEachInstalledFile MACRO\n${qx7_nsis_each_file}!macroend\n\
!macro Qx7ForEachInstalledFolder MACRO\n${qx7_nsis_each_folder}!macroend\n")
configure_file("${qx7_installer_dir}/installed_files.nsh.in" "${qx7_installer_dir}/installed_files.nsh" COPYONLY)

find_program(QX7_MAKENSIS makensis DOC "NSIS's compiler (Debian: nsis), for the installer")
set(QX7_INSTALLER_FILE "${PROJECT_BINARY_DIR}/qx7config-setup-${PROJECT_VERSION}.exe")
if(QX7_MAKENSIS AND QX7_QTBASE_KO_QM)
    # The installer and the uninstaller show the program's icon, and name the
    # copyright holder as the programs' version information does
    # (cmake/Qx7WindowsResources.cmake renders the one, finds the other).
    set(qx7_installer_icon)
    if(TARGET qx7_app_ico)
        set(qx7_installer_icon "-DQX7_ICON=${qx7_app_ico}")
    endif()
    add_custom_command(
        OUTPUT "${QX7_INSTALLER_FILE}"
        COMMAND "${QX7_MAKENSIS}" -V2 -NOCD "-DQX7_VERSION=${PROJECT_VERSION}"
                "-DQX7_INSTALLER_FILE=${QX7_INSTALLER_FILE}"
                "-DQX7_FILES=${qx7_installer_dir}/installed_files.nsh" ${qx7_installer_icon}
                "-DQX7_COPYRIGHT=${QX7_COPYRIGHT_NOTICE}" "-DQX7_PUBLISHER=${qx7_company_name}"
                "${PROJECT_SOURCE_DIR}/packaging/windows/qx7config.nsi"
        DEPENDS "${PROJECT_SOURCE_DIR}/packaging/windows/qx7config.nsi" "${qx7_installer_dir}/installed_files.nsh"
                ${qx7_staged} $<$<TARGET_EXISTS:qx7_app_ico>:${qx7_app_ico}>
        WORKING_DIRECTORY "${qx7_installer_dir}"
        COMMENT "makensis: ${QX7_INSTALLER_FILE}"
        VERBATIM)
    add_custom_target(qx7_installer DEPENDS "${QX7_INSTALLER_FILE}")
    add_dependencies(qx7_installer qx7config qx7ctl)
else()
    add_custom_target(qx7_installer
        COMMAND "${CMAKE_COMMAND}" -E echo
                "qx7_installer needs makensis and qtbase_ko.qm (Debian: nsis, qt6-translations-l10n)"
        COMMAND "${CMAKE_COMMAND}" -E false
        VERBATIM)
endif()
