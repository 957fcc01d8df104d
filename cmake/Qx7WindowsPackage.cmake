# `cpack -G ZIP` in a Windows build: the Windows download,
# qx7ctl-VERSION-windows-x86_64.zip, with qx7ctl.exe (linked statically:
# nothing else is needed beside it) and a short text on its use.
install(FILES "${PROJECT_SOURCE_DIR}/packaging/windows/README.txt" DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME qx7ctl)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_FILE_NAME "qx7ctl-${PROJECT_VERSION}-windows-x86_64")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# Only the default component: qx7config.exe (component qx7config) does not
# run without the Qt DLLs and comes with the installer instead
# (cmake/Qx7WindowsInstaller.cmake).
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL Unspecified)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
include(CPack)
