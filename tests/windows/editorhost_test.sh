#!/usr/bin/env bash
# Steinberg's editor host for Windows under Wine at 192 DPI (a 200 % screen).
# The host makes its process per-monitor DPI aware and calls
# setContentScaleFactor only when the DPI changes, never at start: the editor
# must read its window's DPI itself and be 540 x 340, drawn, from the start.
# usage: editorhost_test.sh EDITORHOST.EXE VST3-FOLDER WINE-RUNNER SCREENSHOT
# (run inside an X server of its own, e.g. xvfb-run).
set -euo pipefail
exe=$(realpath "$1") folder=$2 run=$(realpath "$3") shot=$(realpath -m "$4")
export KESTRUM_WINEPREFIX_SUFFIX=-hidpi KESTRUM_WINE_DPI=192
prefix="${KESTRUM_WINEPREFIX:-${TMPDIR:-/tmp}/kestrum-wineprefix-$(id -u)}-hidpi"
log=$(mktemp)
# From the bundle's folder: the host wants the bare bundle name.
(cd "$folder" && exec "$run" "$exe" "Tavrek Kestrum.vst3") >"$log" 2>&1 &
host=$!
finish() {
    WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
    wait "$host" 2>/dev/null || true
    rm -f "$log"
}
trap finish EXIT
window=
for _ in $(seq 120); do
    window=$(xdotool search --name '^Editor$' 2>/dev/null | head -1 || true)
    [[ -n $window ]] && break
    sleep 0.5
done
if [[ -z $window ]]; then
    echo "FAILED: no editor window"
    cat "$log"
    exit 1
fi
sleep 3 # its first picture
size=$(xwininfo -id "$window" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
import -window "$window" "$shot"
colours=$(convert "$shot" -format %k info:)
echo "editor window at 192 DPI: $size, $colours colours ($shot)"
[[ $size == 540x340 ]] || { echo "FAILED: expected 540x340"; exit 1; }
((colours > 300)) || { echo "FAILED: not drawn"; exit 1; }
echo "ok"
