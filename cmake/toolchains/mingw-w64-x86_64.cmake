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
