# Writes the helper's polkit action for the install that is running:
# included by the install script (cmake_install.cmake), where
# CMAKE_INSTALL_PREFIX is the prefix of this install, --prefix included.
# In: QX7_POLICY_TEMPLATE, QX7_POLICY_OUTPUT, QX7_HELPER_FOLDER (the
# helper's folder, relative to the prefix or absolute).
#
# The path is the one the installed programs compute: the helper's folder
# made canonical when it is on this machine. Under DESTDIR the files go to a
# staging folder and the path is that of the final system, as given.
if(IS_ABSOLUTE "${QX7_HELPER_FOLDER}")
    set(qx7_helper_folder "${QX7_HELPER_FOLDER}")
else()
    set(qx7_helper_folder "${CMAKE_INSTALL_PREFIX}/${QX7_HELPER_FOLDER}")
endif()
cmake_path(NORMAL_PATH qx7_helper_folder)
if("$ENV{DESTDIR}" STREQUAL "" AND IS_DIRECTORY "${qx7_helper_folder}")
    file(REAL_PATH "${qx7_helper_folder}" qx7_helper_folder)
endif()
string(REGEX REPLACE "/$" "" qx7_helper_folder "${qx7_helper_folder}")
if(NOT IS_ABSOLUTE "${qx7_helper_folder}" OR qx7_helper_folder MATCHES "[<>&\"']")
    message(FATAL_ERROR "The helper's folder \"${qx7_helper_folder}\" must be an absolute path without "
                        "the characters < > & \" ' (pkexec and the polkit action name it)")
endif()
set(QX7_SCSI_HELPER_INSTALL_PATH "${qx7_helper_folder}/qx7-scsi-helper")
configure_file("${QX7_POLICY_TEMPLATE}" "${QX7_POLICY_OUTPUT}" @ONLY)
