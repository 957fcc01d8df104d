# Writes the launcher entry for the install that is running: included by the
# install script (cmake_install.cmake), where CMAKE_INSTALL_PREFIX is the
# prefix of this install, --prefix included.
# In: QX7_DESKTOP_TEMPLATE, QX7_DESKTOP_OUTPUT, QX7_BIN_FOLDER (the programs'
# folder, relative to the prefix or absolute).
#
# Exec and TryExec name the program by its absolute path, so the entry starts
# it also when the prefix's bin/ is not on the desktop's PATH (/opt, a home
# folder). Under DESTDIR the path is that of the final system, as given.
if(IS_ABSOLUTE "${QX7_BIN_FOLDER}")
    set(qx7_bin_folder "${QX7_BIN_FOLDER}")
else()
    set(qx7_bin_folder "${CMAKE_INSTALL_PREFIX}/${QX7_BIN_FOLDER}")
endif()
cmake_path(NORMAL_PATH qx7_bin_folder)
string(REGEX REPLACE "/$" "" qx7_bin_folder "${qx7_bin_folder}")
# The desktop entry format reserves spaces, quotes and shell characters in
# Exec, and TryExec takes no quoting: a folder holding one falls back to the
# program's name, found on PATH.
if(qx7_bin_folder MATCHES "^/[A-Za-z0-9._+/-]*$")
    set(QX7_PROGRAM "${qx7_bin_folder}/qx7config")
else()
    message(WARNING "The launcher entry names qx7config without its folder \"${qx7_bin_folder}\": the "
                    "folder holds characters the entry's Exec key reserves, so it must be on PATH")
    set(QX7_PROGRAM "qx7config")
endif()
configure_file("${QX7_DESKTOP_TEMPLATE}" "${QX7_DESKTOP_OUTPUT}" @ONLY)
