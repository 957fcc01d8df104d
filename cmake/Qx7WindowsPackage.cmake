# `cpack -G ZIP` in a Windows build: the Windows download,
# qx7ctl-VERSION-windows-x86_64.zip, with qx7ctl.exe (linked statically:
# nothing else is needed beside it) and a short text on its use.
install(FILES "${PROJECT_SOURCE_DIR}/packaging/windows/README.txt" DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME qx7ctl)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_FILE_NAME "qx7ctl-${PROJECT_VERSION}-windows-x86_64")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
include(CPack)
