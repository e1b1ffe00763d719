#!/usr/bin/env bash
# Sets everything up and runs every test: the main suite, the ecosystem's
# conformance checkers when they are given, the Windows build under Wine, the
# suite again under AddressSanitizer and UndefinedBehaviorSanitizer, the
# concurrency tests under ThreadSanitizer, each fuzzer for a short fixed
# number of runs, and the Debian package in a clean root.
# KESTRUM_QUICK=1 runs the main suite only.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# Everything the steps below need, before any of them runs.
if [[ ${KESTRUM_QUICK:-0} == 1 ]]; then
    "$root/scripts/setup.sh" suite
else
    "$root/scripts/setup.sh" test
fi

jobs=$(nproc)
# Each step says how long it took, and the whole run at the end.
step_name="" step_start=$SECONDS
step_done() {
    if [[ -n $step_name ]]; then
        printf '=== %s: %d s ===\n' "$step_name" $((SECONDS - step_start))
    fi
    step_name=""
}
step() {
    step_done
    step_name=$* step_start=$SECONDS
    printf '\n=== %s ===\n' "$*"
}
trap 'status=$?; step_done; printf "=== all steps: %d s (exit %d) ===\n" $SECONDS $status' EXIT

build_and_test() { # build-dir ctest-args... -- cmake-args...
    local dir=$1
    shift
    local ctest_args=()
    while (($#)) && [[ $1 != -- ]]; do
        ctest_args+=("$1")
        shift
    done
    shift || true
    cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir" -j"$jobs" ${BUILD_TARGET:+--target "$BUILD_TARGET"}
    ctest --test-dir "$dir" --output-on-failure -j"$jobs" "${ctest_args[@]}"
}

main_build=${KESTRUM_BUILD_DIR:-$root/build}
step "main suite"
build_and_test "$main_build" --
[[ ${KESTRUM_QUICK:-0} == 1 ]] && exit 0

step "conformance checkers"
# Each runs when its variable names it (see scripts/conformance.sh).
bash "$root/scripts/conformance.sh" "$main_build"

step "Windows x64 under Wine"
# Cross-built with MinGW-w64; see scripts/test-windows.sh.
bash "$root/scripts/test-windows.sh"

step "address and undefined-behaviour sanitizers"
# Real hosts' scanners and Ardour cannot load a sanitized module.
ASAN_OPTIONS=detect_leaks=1 build_and_test "$root/build-asan" -LE ardour -E 'ArdourScan' -- \
    -DKESTRUM_SANITIZE=address,undefined -DKESTRUM_BUILD_BENCHMARKS=OFF

step "thread sanitizer: concurrency tests"
build_and_test "$root/build-tsan" -R 'Concurr|Race|Thread|DuringProcessing' -- \
    -DKESTRUM_SANITIZE=thread -DKESTRUM_BUILD_BENCHMARKS=OFF

step "fuzzers"
CC=clang CXX=clang++ BUILD_TARGET=fuzzers build_and_test "$root/build-fuzz" -L fuzz -- \
    -DKESTRUM_BUILD_FUZZERS=ON -DKESTRUM_BUILD_TESTS=OFF -DKESTRUM_BUILD_BENCHMARKS=OFF

# Builds the .deb, lints it, installs, uses and removes it in a debootstrapped
# root (made once per machine and kept outside the checkout).
step "Debian package on a clean Debian 12 root"
"$root/scripts/test-package.sh"
