#!/usr/bin/env bash
# The Windows build, made and tested on Debian: installs the MinGW-w64 cross
# compiler and wine, builds GoogleTest for MinGW (once, in
# build/windows-deps), unpacks the Qt kit for Windows of ../shared/toolchains
# into build/qt6-mingw (once), builds the icon renderer of the Linux build,
# cross-builds the core, qx7ctl.exe and qx7config.exe (preset `windows`,
# build/windows), and runs the test suites under wine through ctest, one
# ctest case per test program (the widget tests on Qt's offscreen platform). Then it requires that qx7ctl.exe
# exchanges the same bytes with a drive as Linux's qx7ctl and writes the
# same files (tests/scripts/same_bytes_test.sh; Linux's qx7ctl is taken from
# LINUX_BUILD, default build/default, and built there when missing), and
# packs the Windows download, build/windows/qx7ctl-VERSION-windows-x86_64.zip.
#   scripts/test-windows.sh [LINUX_BUILD]
set -euo pipefail
cd "$(dirname "$0")/.."
linux_build=${1:-build/default}

# The Linux build's packages too: its icon renderer and qx7ctl serve here.
bash scripts/setup.sh
bash scripts/setup.sh --windows

deps=$PWD/build/windows-deps
if [ ! -f "$deps/lib/libgtest.a" ]; then
    echo "test-windows: building GoogleTest for MinGW in $deps"
    cmake -S /usr/src/googletest -B build/windows-googletest -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$deps" >build/windows-googletest.log 2>&1 ||
        { cat build/windows-googletest.log >&2; exit 1; }
    cmake --build build/windows-googletest --target install >>build/windows-googletest.log 2>&1 ||
        { tail -40 build/windows-googletest.log >&2; exit 1; }
fi

# Qt for Windows: the kit CI keeps beside the project, unpacked once. A
# developer may name another Qt for MinGW with -DQX7_QT_WINDOWS (docs/windows.md).
qt_kit=../shared/toolchains/qt6.4.2-mingw-w64-x86_64.tar.xz
if [ ! -f build/qt6-mingw/lib/cmake/Qt6/Qt6Config.cmake ] && [ -f "$qt_kit" ]; then
    echo "test-windows: unpacking the Qt kit for Windows into build/qt6-mingw"
    tar -C build -xJf "$qt_kit"
fi

# Qt for Windows has no SVG module: the icons are rendered to PNG by the
# Linux build's qx7-render-icon.
if [ ! -f "$linux_build/CMakeCache.txt" ]; then cmake --preset default -B "$linux_build"; fi
cmake --build "$linux_build" --target qx7-render-icon qx7ctl --parallel "$(nproc)"
renderer=$(cd "$linux_build/tools" && pwd)/qx7-render-icon

cmake --preset windows -DQX7_ICON_RENDERER="$renderer"
echo "test-windows: cross-building in build/windows"
cmake --build --preset windows --parallel "$(nproc)"

# One wine prefix for the project's runs, one wine server kept up for the
# whole run (each program would start its own otherwise). Wine's background
# services keep pipes open: their output goes to a file.
# A 64-bit prefix only: the programs are 64-bit, and Debian's wine64 alone
# has no 32-bit half to set up.
export WINEPREFIX=$PWD/build/windows-wine WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/.qx7-ready-2" ]; then
    echo "test-windows: making the wine prefix $WINEPREFIX"
    rm -rf "$WINEPREFIX"
    # wineboot's status says nothing useful (a missing 32-bit helper fails
    # it); the prefix is ready when its server has written the registry.
    wineboot -i >build/windows-wine.log 2>&1 || true
    wineserver -w
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "test-windows: wine could not make its prefix:" >&2
        tail -20 build/windows-wine.log >&2
        exit 1
    fi
    # Fonts for Qt's offscreen platform, which reads the Windows fonts
    # folder (a fresh prefix has only bitmap fonts there): the same Latin
    # and Hangul fonts as the Linux tests.
    for font in /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf \
        /usr/share/fonts/truetype/nanum/NanumGothic.ttf /usr/share/fonts/truetype/nanum/NanumGothicBold.ttf; do
        cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
    done
    touch "$WINEPREFIX/.qx7-ready-2"
fi
wineserver -p >>build/windows-wine.log 2>&1
# The first program started brings up wine's services, which inherit its
# output and keep it open: started here, they hold only the log file, and
# ctest does not wait for them.
wine cmd.exe /c exit </dev/null >>build/windows-wine.log 2>&1
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

if [ -f scripts/windows-left-out-tests.sh ]; then
    bash scripts/windows-left-out-tests.sh
fi
ctest --preset windows --parallel "$(nproc)"

bash tests/scripts/same_bytes_test.sh "$linux_build/src/cli/qx7ctl" build/windows/src/cli/qx7ctl.exe

(cd build/windows && cpack -G ZIP >cpack.log 2>&1) || { cat build/windows/cpack.log >&2; exit 1; }
echo "test-windows: the Windows download is $(ls build/windows/qx7ctl-*-windows-x86_64.zip)"

# The installer of the desktop program, installed, started and removed
# under wine (tests/scripts/windows_installer_test.sh).
if grep -q '^QX7_BUILD_UI:BOOL=ON' build/windows/CMakeCache.txt; then
    cmake --build --preset windows --target qx7_installer qx7_installed_probe
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)
    installer=build/windows/qx7config-setup-$version.exe
    bash tests/scripts/windows_installer_test.sh "$installer" \
        build/windows/tests/installer/qx7_installed_probe.exe
else
    echo "test-windows: no Qt kit for Windows: the desktop program and its installer are not built or tested"
fi
