#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test the project.
# Idempotent: when everything is present it only checks and exits. Run it as
# yourself or as root: it asks for root (through sudo) only when it has
# something to install, and a root shell needs no sudo at all.
#   scripts/setup.sh             the Linux build
#   scripts/setup.sh --windows   the Windows cross build and wine instead
#                                (scripts/test-windows.sh, docs/windows.md)
set -euo pipefail

PACKAGES=(
    build-essential cmake ninja-build pkg-config
    clang libclang-rt-14-dev clang-format
    googletest libgtest-dev libgmock-dev
    libcli11-dev nlohmann-json3-dev
    libcurl4-openssl-dev libssl-dev ca-certificates
    libudev-dev libglib2.0-dev umockdev libumockdev-dev
    pkexec
    qt6-base-dev qt6-svg-dev qt6-translations-l10n fonts-nanum libgl-dev
    desktop-file-utils appstream libxml2-utils man-db groff-base
    lintian dpkg-dev fakeroot
)

# The MinGW-w64 cross compiler (posix threads), wine to run what it builds,
# and the sources and headers of GoogleTest, CLI11 and nlohmann-json, which
# the Windows build compiles or includes itself. Wine's recommended packages
# come too: without them a fresh prefix may lack what a program needs.
WINDOWS_PACKAGES=(
    cmake ninja-build g++-mingw-w64-x86-64-posix wine wine64
    googletest libcli11-dev nlohmann-json3-dev
    qt6-base-dev-tools qt6-translations-l10n fonts-dejavu-core fonts-nanum xvfb xauth imagemagick
    # The desktop program's installer (Qt's Korean translation and Xvfb are above).
    nsis
)
recommends=(--no-install-recommends)
if [ "${1:-}" = "--windows" ]; then
    PACKAGES=("${WINDOWS_PACKAGES[@]}")
    recommends=()
fi

missing=()
for package in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all ${#PACKAGES[@]} packages present"
    exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
        echo "setup: missing packages (${missing[*]}) and no sudo; run this script as root" >&2
        exit 1
    fi
    as_root=(sudo)
fi

echo "setup: installing ${missing[*]}"
# Through env: sudo does not pass the caller's environment on.
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${recommends[@]}" "${missing[@]}"
