#!/usr/bin/env bash
# Installs the Debian packages that building needs, builds the plug-ins and
# the batch tool (nothing else: no tests, no benchmarks) in ./build-demo (or
# $KESTRUM_DEMO_BUILD_DIR), installs the plug-ins for this user and runs the
# demo signal through the installed plug-in. One line per step; the tools'
# own output goes to build-logs/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KESTRUM_DEMO_BUILD_DIR:-$root/build-demo}
logs="$root/build-logs"
started=$SECONDS

"$root/scripts/setup.sh" demo
mkdir -p "$logs"

step() { # name log command...
    local name=$1 log=$2 t=$SECONDS
    shift 2
    printf '%s (log: %s) ... ' "$name" "$log"
    if ! "$@" >"$log" 2>&1; then
        echo "failed"
        tail -20 "$log" >&2
        echo "demo.sh: $name failed; the whole log is in $log" >&2
        exit 1
    fi
    echo "done in $((SECONDS - t)) s"
}

# The tests' optimisation (-O2) without their debug information, which the
# install strips anyway: the same plug-in, compiled in less time.
step "Configuring" "$logs/demo-configure.log" \
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    "-DCMAKE_CXX_FLAGS_RELEASE=-O2 -DNDEBUG" "-DCMAKE_C_FLAGS_RELEASE=-O2 -DNDEBUG" \
    -DKESTRUM_BUILD_TESTS=OFF -DKESTRUM_BUILD_BENCHMARKS=OFF
step "Building the plug-ins and kestrum-process" "$logs/demo-build.log" \
    cmake --build "$build" -j"$(nproc)" --target kestrum_module kestrum_lv2_bundle kestrum_clap kestrum-process
step "Installing the plug-ins for $(id -un)" "$logs/demo-install.log" \
    cmake --install "$build" --component plugin
# One line per bundle or module, as a host lists them.
sed -n 's/^-- \(Installing\|Up-to-date\): /    /p' "$logs/demo-install.log" |
    sed 's#\(\.vst3\)/Contents/.*#\1#; s#\(\.lv2\)/[^/]*$#\1#' | uniq
echo "    (scripts/uninstall.sh removes them)"
echo
echo "The demo signal (tones, a DC offset and 5 Hz rumble) through the installed plug-in:"
# The plug-in's diagnostic lines are not part of the figures.
"$build/tools/kestrum-process" 2>&1 | { grep -v '^\[Kestrum[A-Za-z]*\] ' || true; }
echo
echo "Demo done in $((SECONDS - started)) s."
