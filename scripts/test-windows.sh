#!/usr/bin/env bash
# The Windows x64 products, cross-built with MinGW-w64 and tested under Wine:
# the DLL's file (exports, imports, resources), the module loaded by the
# Windows test program, Steinberg's Windows validator when
# KESTRUM_VST3_VALIDATOR_EXE names it, its editor host at 192 DPI when
# KESTRUM_VST3_EDITORHOST_EXE does, and the zip and the installer.
# Run by scripts/test.sh; alone: scripts/test-windows.sh [build-dir]
# (setup first: scripts/setup.sh installs MinGW-w64, Wine, NSIS, python3-pefile).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-${KESTRUM_WIN_BUILD_DIR:-$root/build-win}}
jobs=$(nproc)

# Wine prefixes for the whole run, made on first use by cmake/wine-run.sh
# (one for programs with windows, one at 192 DPI, one for the rest).
KESTRUM_WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/kestrum-wine.XXXXXX")
export KESTRUM_WINEPREFIX
cleanup() {
    for prefix in "$KESTRUM_WINEPREFIX" "$KESTRUM_WINEPREFIX-gui" "$KESTRUM_WINEPREFIX-hidpi"; do
        [[ -d $prefix ]] && WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
        rm -rf "$prefix" "$prefix.log" "$prefix.lock"
    done
}
trap cleanup EXIT
wine_run() { "$root/cmake/wine-run.sh" "$@"; }

cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    --toolchain "$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$dir" -j"$jobs"
ctest --test-dir "$dir" --output-on-failure -j"$jobs"

bundle="$dir/VST3/Tavrek Kestrum.vst3"
if [[ -n ${KESTRUM_VST3_VALIDATOR_EXE:-} ]]; then
    echo "Steinberg's validator (Windows, under Wine), extensive:"
    log="$dir/vst3-validator-win.log"
    # Run from the bundle's folder: the validator wants the bare bundle name.
    if (cd "$dir/VST3" && wine_run "$KESTRUM_VST3_VALIDATOR_EXE" -e "Tavrek Kestrum.vst3") \
        >"$log" 2>&1; then
        grep -E '^Result:' "$log"
    else
        grep -E -B3 'Failed\]|ERROR' "$log" | tail -40
        grep -E '^Result:' "$log" || echo "the validator did not finish (see $log)"
        exit 1
    fi
else
    echo "Windows validator skipped: KESTRUM_VST3_VALIDATOR_EXE is not set."
fi
test -d "$bundle"

if [[ -n ${KESTRUM_VST3_EDITORHOST_EXE:-} ]]; then
    echo "Steinberg's editor host (Windows, under Wine at 192 DPI):"
    mkdir -p "$dir/screenshots"
    xvfb-run -a -s "-screen 0 1280x1024x24" "$root/tests/windows/editorhost_test.sh" \
        "$KESTRUM_VST3_EDITORHOST_EXE" "$dir/VST3" "$root/cmake/wine-run.sh" \
        "$dir/screenshots/editorhost-192dpi.png"
else
    echo "Windows editor host skipped: KESTRUM_VST3_EDITORHOST_EXE is not set."
fi
