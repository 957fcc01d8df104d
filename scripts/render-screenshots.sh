#!/usr/bin/env bash
# Renders the main window over simulated drives into docs/images/: English
# and Korean, wide (a drive with an RFID reader) and narrow (one without).
# Needs the default build (scripts/test.sh or scripts/run.sh makes it) and a
# Hangul font for the Korean pictures (fonts-nanum, installed by setup.sh).
# With a Windows build it also renders the Windows window under wine.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --build --preset default --target qx7config >/dev/null
qx7config=build/default/src/ui/program/qx7config
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p docs/images

echo '{"drives": [{}]}' >"$work/wide.json"
echo '{"drives": [{"rfid_reader": false}]}' >"$work/narrow.json"

for lang in en ko; do
    case $lang in
        en) locale=C.UTF-8 ;;
        ko) locale=ko_KR.UTF-8 ;;
    esac
    for size in wide narrow; do
        out="docs/images/main-window-$lang-$size.png"
        # A private temporary folder keeps these runs apart from a window the
        # user has open (the single-instance socket lives there).
        TMPDIR="$work" LANG=$locale LC_ALL=$locale LANGUAGE=$lang QT_QPA_PLATFORM=offscreen \
            "$qx7config" --simulate "$work/$size.json" --no-update-check --grab "$out"
        echo "wrote $out"
    done
done

# The Windows window: qx7config.exe of the Windows build (scripts/test-windows.sh
# makes it) under wine, on a virtual X display, drawn by Qt's Windows
# platform with the windowsvista style. Wine's prefix for these pictures is
# its own. The Windows interface fonts (Tahoma, which wine reports as the
# message font, and its kin) are replaced by DejaVu Sans for English and by
# NanumGothic for Korean, so that Hangul is drawn (a Korean font draws the
# backslash as the won sign, as Korean Windows does).
windows_program=build/windows/src/ui/program/qx7config.exe
if [ ! -f "$windows_program" ]; then
    echo "render-screenshots: no $windows_program; scripts/test-windows.sh builds it, then run this again" \
        "for docs/images/windows-main-window-{en,ko}.png"
    exit 0
fi
for tool in wine xvfb-run; do
    command -v "$tool" >/dev/null || { echo "render-screenshots: $tool is missing (scripts/setup.sh --windows)" >&2; exit 1; }
done
export WINEPREFIX=$PWD/build/windows-wine-screens WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
qt_bin=$(cd build/qt6-mingw/bin && pwd)
runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
winpthread=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
export WINEPATH="$qt_bin;$runtime;$winpthread"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot -i >"$work/wineboot.log" 2>&1 || true
    wineserver -w
fi
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
for lang in en ko; do
    case $lang in
        en) locale=en_US.UTF-8 font="DejaVu Sans" ;;
        ko) locale=ko_KR.UTF-8 font=NanumGothic ;;
    esac
    for replaced in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Segoe UI" "Microsoft Sans Serif"; do
        wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$replaced" /d "$font" /f >>"$work/wine-reg.log" 2>&1
    done
    wineserver -w
    out="docs/images/windows-main-window-$lang.png"
    # Wine takes the Windows display language from the locale settings;
    # wine's services keep output open, so the program's goes to a file.
    LANG=$locale LC_ALL=$locale xvfb-run -a -s "-screen 0 1600x1200x24" \
        wine "$windows_program" --simulate "Z:$work/wide.json" --no-update-check --grab "Z:$PWD/$out" \
        >"$work/wine-$lang.log" 2>&1 || { cat "$work/wine-$lang.log" >&2; exit 1; }
    wineserver -w
    echo "wrote $out"
done
