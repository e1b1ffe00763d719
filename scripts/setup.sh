#!/usr/bin/env bash
# Installs the Debian packages that a purpose needs, when they are missing:
#
#   scripts/setup.sh demo       building the plug-ins and the tools (scripts/demo.sh)
#   scripts/setup.sh suite      that, and the main test suite (KESTRUM_QUICK=1 scripts/test.sh)
#   scripts/setup.sh windows    that, and the Windows build under Wine (scripts/test-windows.sh)
#   scripts/setup.sh sanitizers that, and the clang builds (sanitizers, fuzzers)
#   scripts/setup.sh package    that, and the Debian package test (scripts/test-package.sh)
#   scripts/setup.sh [test]     everything scripts/test.sh runs (the default)
#
# Several purposes may be given. Safe to run again: it installs nothing that
# is present. apt's output goes to build-logs/setup.log; only its outcome is
# printed. A user who is not root needs sudo; without it the script changes
# nothing and prints the apt-get line to run as root.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

# Building the plug-ins (VST 3 SDK from juce-modules-source-data, VST 2
# header from dpf-source, LV2 headers, the editor's cairo and xcb) and the
# tools (libsndfile). juce-modules-source would bring GTK and WebKit with it.
demo=(
    g++ cmake ninja-build pkg-config
    juce-modules-source-data dpf-source lv2-dev
    libcairo2-dev libxcb1-dev libsndfile1-dev
)
# The main suite: unit tests and benchmarks, the editor in a real X server,
# valgrind, the LV2 tools, a headless Ardour; python3-cairo redraws the
# editor's pictures (resource/drawpictures.py).
suite=(
    ccache git
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth xdotool x11-utils fonts-dejavu-core valgrind python3 python3-cairo
    ardour
    liblilv-dev lilv-utils serdi sordi
)
windows=(
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 python3-pefile nsis zip
    fonts-liberation fonts-wine
    imagemagick # screenshots of the Windows editor host at 192 DPI (tests/windows)
)
sanitizers=(clang libclang-rt-14-dev)
package=(build-essential debhelper dpkg-dev lintian debootstrap)

(($#)) || set -- test
wanted=()
for purpose in "$@"; do
    case $purpose in
    demo) wanted+=("${demo[@]}") ;;
    suite) wanted+=("${demo[@]}" "${suite[@]}") ;;
    windows) wanted+=("${demo[@]}" "${suite[@]}" "${windows[@]}") ;;
    sanitizers) wanted+=("${demo[@]}" "${suite[@]}" "${sanitizers[@]}") ;;
    package) wanted+=("${demo[@]}" "${package[@]}") ;;
    test | all)
        wanted+=("${demo[@]}" "${suite[@]}" "${windows[@]}" "${sanitizers[@]}" "${package[@]}")
        ;;
    *)
        echo "setup.sh: unknown purpose '$purpose' (demo, suite, windows, sanitizers, package, test)" >&2
        exit 2
        ;;
    esac
done

missing=()
for p in "${wanted[@]}"; do
    [[ " ${missing[*]} " == *" $p "* ]] && continue
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
((${#missing[@]})) || exit 0

install_line="apt-get update && apt-get install -y --no-install-recommends ${missing[*]}"
# shellcheck source=scripts/asroot.sh disable=SC2154
source "$root/scripts/asroot.sh"
as_root_or_explain "$install_line"

log_dir="$root/build-logs"
mkdir -p "$log_dir"
log="$log_dir/setup.log"
printf '=== %s: %s\n' "$(date -u '+%F %T')" "$install_line" >>"$log"
printf 'Installing %d Debian packages and their dependencies for %s (log: %s) ... ' "${#missing[@]}" "$*" "$log"
started=$SECONDS
if ! "${as_root[@]}" apt-get update -q >>"$log" 2>&1 ||
    ! "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
        --no-install-recommends "${missing[@]}" >>"$log" 2>&1; then
    echo "failed"
    tail -15 "$log" >&2
    echo "setup.sh: apt-get failed; the whole log is in $log" >&2
    exit 1
fi
echo "done in $((SECONDS - started)) s"
