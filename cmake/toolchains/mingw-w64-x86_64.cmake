# Cross-building for 64-bit Windows on Debian with MinGW-w64 (packages
# g++-mingw-w64-x86-64-posix and wine): the posix thread model (std::thread,
# std::mutex), the C and C++ runtimes linked statically so that the programs
# need no DLL beside them, and wine to run what the build and ctest start.
#
# Libraries for Windows are looked for only below the MinGW sysroot and
# QX7_WINDOWS_DEPS (GoogleTest built for MinGW; scripts/test-windows.sh
# builds it there), never in the build machine's /usr.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(qx7_mingw_triplet x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${qx7_mingw_triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${qx7_mingw_triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${qx7_mingw_triplet}-windres)

set(QX7_WINDOWS_DEPS "${CMAKE_CURRENT_LIST_DIR}/../../build/windows-deps"
    CACHE PATH "Prefix of the libraries built for Windows (GoogleTest)")
set(CMAKE_FIND_ROOT_PATH /usr/${qx7_mingw_triplet} "${QX7_WINDOWS_DEPS}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs, and the programs the tests start, run under wine.
find_program(QX7_WINE NAMES wine wine64 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR "${QX7_WINE}")

# Qt 6 built for MinGW-w64, for the desktop program: the kit's folder (with
# lib/cmake/Qt6). scripts/test-windows.sh unpacks one into build/qt6-mingw;
# without it only the core and qx7ctl.exe are built. Qt's host tools (moc,
# rcc, uic) come from the build machine's Qt under QT_HOST_PATH.
set(QX7_QT_WINDOWS "${CMAKE_CURRENT_LIST_DIR}/../../build/qt6-mingw"
    CACHE PATH "Qt 6 built for MinGW-w64 (the desktop program is built when it holds lib/cmake/Qt6)")
if(EXISTS "${QX7_QT_WINDOWS}/lib/cmake/Qt6/Qt6Config.cmake")
    get_filename_component(qx7_qt_windows "${QX7_QT_WINDOWS}" ABSOLUTE)
    list(PREPEND CMAKE_FIND_ROOT_PATH "${qx7_qt_windows}")
    list(PREPEND CMAKE_PREFIX_PATH "${qx7_qt_windows}/lib/cmake")
    set(QT_HOST_PATH "/usr" CACHE PATH "The build machine's Qt (moc, rcc, uic)")
endif()
