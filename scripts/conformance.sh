#!/usr/bin/env bash
# The plug-in ecosystem's own checkers on a built Kestrum, each run when the
# variable naming its program is set, and skipped with one line when not:
#
#   KESTRUM_VST3_VALIDATOR   Steinberg's vst3-validator (VST 3 SDK, hosting
#                            samples): the extensive test set, -e
#   KESTRUM_PLUGINVAL        Tracktion's pluginval: strictness level 10,
#                            without and then with the editor (under Xvfb),
#                            then without the editor in fixed random orders
#   KESTRUM_VST3_EDITORHOST  Steinberg's editorhost (VST 3 SDK): the editor
#                            must show, mapped and painted, in its window
#
# Usage: scripts/conformance.sh [BUILD-DIR]   (default ./build)
# Any failed test, crash or hang of a checker fails the run.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-${KESTRUM_BUILD_DIR:-$root/build}}" && pwd)
bundle="$build/VST3/Tavrek Kestrum.vst3"
logs="$build/conformance"
mkdir -p "$logs"
failures=0

[[ -d $bundle ]] || { echo "no built bundle at $bundle"; exit 1; }

check() { # name log-file command...
    local name=$1 log=$2
    shift 2
    local start=$SECONDS
    if "$@" >"$log" 2>&1; then
        echo "PASS  $name ($((SECONDS - start)) s)"
    else
        echo "FAIL  $name (exit $?; log: $log)"
        tail -n 20 "$log"
        failures=$((failures + 1))
    fi
}

skip() { echo "SKIP  $1: $2 is not set (see README, Conformance checkers)"; }

# Each checker gets ten minutes: a hang is a failure too.
run() { timeout 600 "$@"; }
# -noreset: the atom made for the editor host must outlive the client that made it.
xvfb() { run xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$@"; }

editor_in_editorhost() {
    local shot="$logs/editorhost.png"
    # The host looks the XEmbed atom up without creating it.
    xprop -root -f _XEMBED_INFO 32c -set _XEMBED_INFO "0, 1"
    "$KESTRUM_VST3_EDITORHOST" "$bundle" >"$logs/editorhost-host.log" 2>&1 &
    local host=$! shown=1
    for _ in $(seq 1 50); do
        sleep 0.2
        kill -0 "$host" 2>/dev/null || break
        if "$build/tests/kestrum-windowcheck" Editor "$shot"; then
            shown=0
            break
        fi
    done
    kill "$host" 2>/dev/null
    wait "$host" 2>/dev/null
    [[ $shown == 0 ]] && echo "screenshot: $shot"
    return $shown
}
# Under Xvfb the script runs itself again for this one step (xvfb-run is a
# POSIX shell script, which does not pass bash functions on).
if [[ ${2:-} == --editor-in-editorhost ]]; then
    editor_in_editorhost
    exit
fi

if [[ -n ${KESTRUM_VST3_VALIDATOR:-} ]]; then
    check "vst3-validator -e" "$logs/validator.log" run "$KESTRUM_VST3_VALIDATOR" -e "$bundle"
    grep -h '^Result:' "$logs/validator.log" | tail -n 1
    # The validator's own verdict, should a version exit 0 regardless.
    grep -q '^Result: .* 0 tests failed' "$logs/validator.log" || failures=$((failures + 1))
else
    skip "vst3-validator" KESTRUM_VST3_VALIDATOR
fi

if [[ -n ${KESTRUM_PLUGINVAL:-} ]]; then
    check "pluginval strictness 10, no editor" "$logs/pluginval.log" \
        run "$KESTRUM_PLUGINVAL" --strictness-level 10 --skip-gui-tests "$bundle"
    check "pluginval strictness 10, with the editor" "$logs/pluginval-gui.log" \
        xvfb "$KESTRUM_PLUGINVAL" --strictness-level 10 "$bundle"
    # Hosts do not all call in pluginval's default order: a value set right
    # before a state is taken, with no block between, must be kept.
    for seed in 0x462d8b6 0x1 0x2a 0x1234 0xbeef 0x7f3a21 0xc0ffee 0x5eed5 0x9e3779b9 0x31337 \
        0xdecaf; do
        check "pluginval strictness 10, random order $seed" "$logs/pluginval-random-$seed.log" \
            run "$KESTRUM_PLUGINVAL" --strictness-level 10 --skip-gui-tests --randomise \
            --random-seed "$seed" "$bundle"
    done
else
    skip "pluginval" KESTRUM_PLUGINVAL
fi

if [[ -n ${KESTRUM_VST3_EDITORHOST:-} ]]; then
    check "editor shown in vst3-editorhost" "$logs/editorhost.log" \
        xvfb bash "$0" "$build" --editor-in-editorhost
    cat "$logs/editorhost.log"
else
    skip "vst3-editorhost" KESTRUM_VST3_EDITORHOST
fi

exit $((failures > 0))
