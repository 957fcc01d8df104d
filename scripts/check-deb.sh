#!/usr/bin/env bash
# Builds the Debian/Ubuntu package of a built tree and checks it:
#   scripts/check-deb.sh [BUILD_DIR]     (default: build/default)
#
# - `cpack -G DEB` makes qx7config_<version>_<arch>.deb;
# - lintian reports no error on it;
# - its control fields: name, version, architecture, and the dependencies
#   dpkg-shlibdeps found (Qt, curl, udev, libc) with pkexec;
# - it installs with `dpkg --root` into a throw-away root, holding both
#   programs, the helper, the polkit action, the launcher entry, the AppStream
#   metadata, the icons, the compressed manual pages, the bash completion and
#   Debian's copyright and changelog; the installed programs run there.
#
# Prints one line per failure and exits 1 if there was one.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/default}
[ -f "$build/CPackConfig.cmake" ] || { echo "check-deb: $build is not a configured build folder" >&2; exit 2; }
build=$(cd "$build" && pwd)
for tool in cpack lintian dpkg dpkg-deb; do
    command -v "$tool" >/dev/null || { echo "check-deb: $tool is missing (scripts/setup.sh installs it)" >&2; exit 2; }
done
started=$(date +%s%N)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
    echo "check-deb: $*"
    failures=$((failures + 1))
}

# 1. The package.
if ! (cd "$build" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "check-deb: cpack -G DEB failed"
    exit 1
fi
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
arch=$(dpkg --print-architecture)
deb=$work/out/qx7config_${version}_${arch}.deb
[ -f "$deb" ] || { ls "$work/out"; echo "check-deb: no $(basename "$deb")"; exit 1; }

# 2. lintian: no error (warnings are listed).
lintian --fail-on error --no-tag-display-limit "$deb" >"$work/lintian.log" 2>&1 || {
    grep -v 'running with root privileges' "$work/lintian.log"
    fail "lintian reports errors"
}

# 3. The control fields.
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = qx7config ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)', not $arch"
depends=$(field Depends)
for needed in pkexec libqt6widgets6 libqt6core6 libqt6svg6 libcurl4 libudev1 libc6 libstdc++6; do
    case ", $depends," in
        *", $needed "* | *", $needed,"*) ;;
        *) fail "Depends does not name $needed: $depends" ;;
    esac
done
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"

# 4. Installed into a throw-away root with its own dpkg database (the
#    dependencies are the host's, so they are not checked there).
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
if ! dpkg --root="$root" --force-depends --force-not-root --log=/dev/null -i "$deb" >"$work/dpkg.log" 2>&1; then
    cat "$work/dpkg.log"
    fail "dpkg --root -i failed"
fi
status=$(dpkg --root="$root" -s qx7config 2>/dev/null | sed -n 's/^Status: //p')
[ "$status" = "install ok installed" ] || fail "dpkg --root -s says '$status'"
expected_files=(
    bin/qx7ctl bin/qx7config libexec/qx7-scsi-helper
    share/polkit-1/actions/org.qx7config.scsi-helper.policy
    share/applications/qx7config.desktop
    share/metainfo/org.qx7config.qx7config.metainfo.xml
    share/icons/hicolor/scalable/apps/qx7config.svg
    share/man/man1/qx7ctl.1.gz share/man/man1/qx7config.1.gz
    share/bash-completion/completions/qx7ctl
    share/doc/qx7config/copyright share/doc/qx7config/changelog.gz
)
for size in 16 24 32 48 64 128 256; do expected_files+=("share/icons/hicolor/${size}x${size}/apps/qx7config.png"); done
listed=$(dpkg --root="$root" -L qx7config 2>/dev/null)
for file in "${expected_files[@]}"; do
    [ -f "$root/usr/$file" ] || fail "not installed: /usr/$file"
    grep -qx "/usr/$file" <<<"$listed" || fail "dpkg -L does not list /usr/$file"
done
[ -u "$root/usr/libexec/qx7-scsi-helper" ] && fail "the helper is installed setuid"
grep -qF '<annotate key="org.freedesktop.policykit.exec.path">/usr/libexec/qx7-scsi-helper</annotate>' \
    "$root/usr/share/polkit-1/actions/org.qx7config.scsi-helper.policy" ||
    fail "the polkit action does not name /usr/libexec/qx7-scsi-helper"
grep -qx 'Exec=/usr/bin/qx7config' "$root/usr/share/applications/qx7config.desktop" ||
    fail "the launcher entry does not start /usr/bin/qx7config"
zcat "$root/usr/share/man/man1/qx7ctl.1.gz" | grep -q '^\.TH' || fail "qx7ctl.1.gz is not a manual page"
no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
"${no_display[@]}" "$root/usr/bin/qx7config" --version | grep -qx "qx7config $version" ||
    fail "the installed qx7config --version does not print $version"
"$root/usr/bin/qx7ctl" --help >/dev/null 2>&1 || fail "the installed qx7ctl --help fails"

elapsed_ms=$((($(date +%s%N) - started) / 1000000))
if [ "$failures" -ne 0 ]; then
    echo "check-deb: $failures failures (${elapsed_ms} ms)"
    exit 1
fi
echo "check-deb: passed: $(basename "$deb") built, lintian without errors, control fields, installed with dpkg --root (${elapsed_ms} ms)"
