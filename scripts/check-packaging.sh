#!/usr/bin/env bash
# Installs a built tree into staging folders and checks what a distribution
# package would hold:
#   scripts/check-packaging.sh [BUILD_DIR]     (default: build/default)
#
# - the helper path: the installed polkit action names the path the helper
#   is installed to, and the installed programs start exactly that path,
#   for each way of giving the prefix: the one configured, --prefix at
#   install, and DESTDIR (whose folder must not appear in the action);
# - the launcher entry starts the installed qx7config by its absolute path
#   (the prefix's bin/ need not be on PATH), for each of the three installs;
# - qx7config --help and --version answer without a display;
# - README documents every build setting (QX7_... cache entries);
# - the desktop files: the launcher entry (desktop-file-validate), the
#   AppStream metadata (appstreamcli validate --no-net) with the drives'
#   USB modaliases, the application icon (SVG and PNG sizes), the manual
#   pages (rendered by man and groff without a warning, naming every option
#   of the programs' own help) and qx7ctl's bash completion.
#
# Prints one line per failure and exits 1 if there was one.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/default}
[ -f "$build/CMakeCache.txt" ] || { echo "check-packaging: $build is not a build folder" >&2; exit 2; }
build=$(cd "$build" && pwd)
source_dir=$(pwd)
started=$(date +%s%N)

# Outside the build tree: a program run from inside it takes the helper of
# the configured install instead of the one beside it.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
stage=$(cd "$stage" && pwd -P)

failures=0
fail() {
    echo "check-packaging: $*"
    failures=$((failures + 1))
}

# install DESTDIR PREFIX: cmake --install, quietly; an empty PREFIX keeps
# the configured one.
install_into() {
    local destdir=$1 prefix=$2 arguments=(--install "$build")
    [ -n "$prefix" ] && arguments+=(--prefix "$prefix")
    if ! DESTDIR=$destdir cmake "${arguments[@]}" >"$stage/install.log" 2>&1; then
        cat "$stage/install.log"
        fail "cmake --install ${arguments[*]:2} with DESTDIR=$destdir failed"
        return 1
    fi
}

# The helper path written into the action under ROOT.
policy_path() {
    sed -n 's|.*<annotate key="org.freedesktop.policykit.exec.path">\(.*\)</annotate>.*|\1|p' \
        "$1/$2/share/polkit-1/actions/org.qx7config.scsi-helper.policy"
}

# check_helper_path LABEL ROOT PREFIX: the action under ROOT (DESTDIR, or /)
# names PREFIX/libexec/qx7-scsi-helper, the helper is there, and a program
# in ROOT/PREFIX/bin starts ROOT + that path.
check_helper_path() {
    local label=$1 root=$2 prefix=$3
    local expected=$prefix/libexec/qx7-scsi-helper named started
    named=$(policy_path "$root" "$prefix")
    [ "$named" = "$expected" ] || fail "$label: the polkit action names '$named', not $expected"
    [ -x "$root$expected" ] || fail "$label: no helper at $root$expected"
    if [ -n "$root" ] && grep -qF "$root" "$root$prefix/share/polkit-1/actions/org.qx7config.scsi-helper.policy"; then
        fail "$label: the polkit action names the staging folder $root"
    fi
    cp "$build/tools/qx7-helper-path" "$root$prefix/bin/"
    started=$("$root$prefix/bin/qx7-helper-path")
    rm "$root$prefix/bin/qx7-helper-path"
    [ "$started" = "$root$expected" ] || fail "$label: the installed programs would start '$started', not $root$expected"
}

# check_desktop_exec LABEL ROOT PREFIX: the launcher entry under ROOT starts
# PREFIX/bin/qx7config by its absolute path (Exec and TryExec), and that
# program starts with a PATH that does not hold PREFIX/bin.
check_desktop_exec() {
    local label=$1 root=$2 prefix=$3 entry key value
    entry=$root$prefix/share/applications/qx7config.desktop
    for key in Exec TryExec; do
        value=$(sed -n "s/^$key=//p" "$entry")
        [ "$value" = "$prefix/bin/qx7config" ] ||
            fail "$label: qx7config.desktop has $key=$value, not $prefix/bin/qx7config"
    done
    value=$(sed -n 's/^Exec=//p' "$entry")
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM PATH=/usr/bin:/bin "$root$value" --version \
        >/dev/null 2>&1 || fail "$label: the launcher's $value does not start without its folder on PATH"
}

configured_prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
libexec=$(sed -n 's/^CMAKE_INSTALL_LIBEXECDIR:PATH=//p' "$build/CMakeCache.txt")
if [ "$libexec" != libexec ]; then
    echo "check-packaging: the build installs the helper to '$libexec', not libexec; checked for libexec only" >&2
    exit 2
fi

# 1. The prefix configured (cmake -DCMAKE_INSTALL_PREFIX=...), staged.
if install_into "$stage/configured" ""; then
    check_helper_path "configured prefix $configured_prefix" "$stage/configured" "$configured_prefix"
    check_desktop_exec "configured prefix $configured_prefix" "$stage/configured" "$configured_prefix"
fi
# 2. --prefix at install, straight into a folder (no DESTDIR).
if install_into "" "$stage/opt/qx7"; then
    check_helper_path "--prefix at install" "" "$stage/opt/qx7"
    check_desktop_exec "--prefix at install" "" "$stage/opt/qx7"
fi
# 3. DESTDIR with the prefix /usr, as a distribution package is built. The
#    desktop files are checked in this tree.
root=$stage/package
usr=$root/usr
install_into "$root" /usr || { echo "check-packaging: $failures failures"; exit 1; }
check_helper_path "DESTDIR" "$root" /usr
check_desktop_exec "DESTDIR" "$root" /usr

expected_files=(
    bin/qx7ctl bin/qx7config libexec/qx7-scsi-helper
    share/polkit-1/actions/org.qx7config.scsi-helper.policy
    share/applications/qx7config.desktop
    share/metainfo/org.qx7config.qx7config.metainfo.xml
    share/icons/hicolor/scalable/apps/qx7config.svg
    share/man/man1/qx7ctl.1 share/man/man1/qx7config.1
    share/bash-completion/completions/qx7ctl
)
icon_sizes=(16 24 32 48 64 128 256)
for size in "${icon_sizes[@]}"; do expected_files+=("share/icons/hicolor/${size}x${size}/apps/qx7config.png"); done
for file in "${expected_files[@]}"; do
    [ -f "$usr/$file" ] || fail "not installed: /usr/$file"
done
[ -u "$usr/libexec/qx7-scsi-helper" ] && fail "the helper is installed setuid"

xmllint --noout "$usr/share/polkit-1/actions/org.qx7config.scsi-helper.policy" ||
    fail "the polkit action is not well-formed XML"

# The launcher entry and the AppStream metadata.
desktop=$usr/share/applications/qx7config.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate refuses qx7config.desktop"
grep -qx 'Icon=qx7config' "$desktop" || fail "qx7config.desktop does not name the icon qx7config"
metainfo=$usr/share/metainfo/org.qx7config.qx7config.metainfo.xml
appstreamcli validate --no-net "$metainfo" >"$stage/appstream.log" 2>&1 ||
    { cat "$stage/appstream.log"; fail "appstreamcli validate refuses the metadata"; }
grep -qF '<launchable type="desktop-id">qx7config.desktop</launchable>' "$metainfo" ||
    fail "the metadata does not launch qx7config.desktop"
modaliases=$(sed -n 's|.*<modalias>\(.*\)</modalias>.*|\1|p' "$metainfo")
[ "$modaliases" = "$("$build/tools/qx7-modaliases")" ] ||
    fail "the metadata's modaliases ($(echo $modaliases)) are not the drives' ids"
grep -qx 'usb:v230Ap1180d\*' <<<"$modaliases" || fail "the metadata does not declare usb:v230Ap1180d*"
for image in $(sed -n 's|.*<image>.*/docs/images/\(.*\)</image>.*|\1|p' "$metainfo"); do
    [ -f "$source_dir/docs/images/$image" ] || fail "screenshot docs/images/$image does not exist"
done

# The icon: the SVG as drawn, and each PNG of its size (width and height
# from the PNG header).
cmp -s "$source_dir/resources/icons/208.svg" "$usr/share/icons/hicolor/scalable/apps/qx7config.svg" ||
    fail "the scalable icon is not resources/icons/208.svg"
for size in "${icon_sizes[@]}"; do
    png=$usr/share/icons/hicolor/${size}x${size}/apps/qx7config.png
    [ -f "$png" ] || continue
    header=$(od -An -tx1 -N24 "$png" | tr -d ' \n')
    expected_header=$(printf '89504e470d0a1a0a0000000d49484452%08x%08x' "$size" "$size")
    [ "$header" = "$expected_header" ] || fail "$png is not a ${size}x${size} PNG"
done

# The manual pages: rendered without a warning, and naming every command
# and option of the programs' own help.
for page in qx7ctl qx7config; do
    file=$usr/share/man/man1/$page.1
    warnings=$( { groff -man -Tutf8 -ww -z "$file"; } 2>&1 || echo "(exit status $?)")
    [ -z "$warnings" ] || fail "groff warns about $page.1: $warnings"
    warnings=$( { MANWIDTH=80 man --warnings -l "$file" >"$stage/$page.txt"; } 2>&1 || echo "(exit status $?)")
    [ -z "$warnings" ] || fail "man warns about $page.1: $warnings"
    grep -q "^NAME" "$stage/$page.txt" || fail "man -l renders no NAME section for $page.1"
done

# Whether the rendered page TEXT names WORD as a word of its own (--trace
# is not found in --trace-full).
names() { grep -qE -- "(^|[^A-Za-z0-9-])$2([^A-Za-z0-9-]|\$)" "$1"; }
# Every option and subcommand of `qx7ctl WORDS... --help`, recursively.
check_qx7ctl_help() {
    local help option subcommand
    help=$(LC_ALL=C "$usr/bin/qx7ctl" "$@" --help)
    for option in $(sed -n 's/^  \(-[^ ]*\).*/\1/p' <<<"$help" | tr ',' ' '); do
        names "$stage/qx7ctl.txt" "$option" || fail "qx7ctl.1 does not name ${*:+$* }$option"
    done
    for subcommand in $(sed -n '/^Subcommands:/,/^$/s/^  \([a-z][a-z0-9-]*\) .*/\1/p' <<<"$help"); do
        names "$stage/qx7ctl.txt" "$subcommand" || fail "qx7ctl.1 does not name the command ${*:+$* }$subcommand"
        check_qx7ctl_help "$@" "$subcommand"
    done
}
check_qx7ctl_help
# --help and --version answer without a display (over ssh, in a console).
no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
qx7config_help=$("${no_display[@]}" "$usr/bin/qx7config" --help 2>"$stage/help.err") ||
    { cat "$stage/help.err"; fail "qx7config --help fails without a display"; }
qx7config_version=$("${no_display[@]}" "$usr/bin/qx7config" --version 2>"$stage/version.err") ||
    { cat "$stage/version.err"; fail "qx7config --version fails without a display"; }
grep -qE '^qx7config [0-9]' <<<"$qx7config_version" || fail "qx7config --version prints '$qx7config_version'"
grep -q -- '--simulate' <<<"$qx7config_help" || fail "qx7config --help lists no options"
for option in $(grep -oE '^  (-[a-z], )?--[a-z-]+' <<<"$qx7config_help" | grep -oE -- '--[a-z-]+'); do
    names "$stage/qx7config.txt" "$option" || fail "qx7config.1 does not name $option"
done

# The bash completion, against the installed qx7ctl.
scripts/check-completion.sh "$usr/share/bash-completion/completions/qx7ctl" "$usr/bin/qx7ctl" ||
    fail "the bash completion does not complete qx7ctl's commands and options"

# Every build setting (a QX7_ cache entry one gives with -D) is documented in
# the README's table of build settings.
for setting in $(cmake -N -L "$build" 2>/dev/null | sed -n 's/^\(QX7_[A-Z_]*\):\(STRING\|PATH\|BOOL\)=.*/\1/p'); do
    grep -qF "| \`$setting\` |" README.md || fail "README's build settings do not name $setting"
done

elapsed_ms=$((($(date +%s%N) - started) / 1000000))
if [ "$failures" -ne 0 ]; then
    echo "check-packaging: $failures failures (${elapsed_ms} ms)"
    exit 1
fi
echo "check-packaging: passed: three installs (configured prefix, --prefix, DESTDIR), helper path, desktop entry, AppStream, icons, manual pages, completion, README build settings (${elapsed_ms} ms)"
