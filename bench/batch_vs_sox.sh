#!/usr/bin/env bash
# kestrum-process against sox's `highpass 20` on the same long stereo file:
# both run in alternating order in the same invocation, so a busy machine
# slows both alike, and the medians are printed per format. The ratio is
# sox's time over kestrum-process's (above 1: kestrum-process is faster).
#
#   bench/batch_vs_sox.sh [--build DIR] [--seconds N] [--runs N]
#                         [--formats "wav24 wav16 float flac flac-c5"] [--no-analysis]
#
# flac-c5: sox writes FLAC at its default compression level 8, the slowest;
# this row has it write at level 5 instead, closer in encoding effort to the
# tool, which writes FLAC with libsndfile's default settings.
#
# The test file is made with sox when it is installed, else with the
# project's own generator (then only kestrum-process is timed).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
seconds=600
runs=5
formats="wav24 wav16 float flac flac-c5"
extra=()
while (($#)); do
    case "$1" in
    --build) build=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --formats) formats=$2; shift 2 ;;
    --no-analysis) extra+=(--no-analysis); shift ;;
    *) echo "unknown argument $1" >&2; exit 2 ;;
    esac
done

tool="$build/tools/kestrum-process"
bundle="$build/VST3/Tavrek Kestrum.vst3"
generator="$build/bench/kestrum_testsignal"
[[ -x "$tool" ]] || { echo "build $tool first" >&2; exit 1; }
have_sox=0
command -v sox >/dev/null && have_sox=1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

generate() { # format file
    local depth
    case "$1" in
    wav16) depth=16 ;;
    float) depth=float ;;
    *) depth=24 ;;
    esac
    if ((have_sox)); then
        local encoding=(-b "$depth")
        [[ $depth == float ]] && encoding=(-e floating-point -b 32)
        sox -n -r 48000 -c 2 "${encoding[@]}" "$2" synth "$seconds" sine 220 sine 330 \
            synth "$seconds" pinknoise mix vol 0.4 dcshift 0.1
    else
        [[ -x "$generator" ]] || { echo "no sox and no $generator" >&2; exit 1; }
        "$generator" "$2" "$seconds" "$depth"
    fi
}

# elapsed, median
source "$root/bench/timing.sh"

divide() { awk -v a="$1" -v b="$2" 'BEGIN { print a / b }'; }

echo "load before: $(uptime | sed 's/.*load average: //')"
echo "file: ${seconds} s of 48 kHz stereo; ${runs} alternating runs each; kestrum-process ${extra[*]:-(with figures)}"
printf '%-7s %12s %12s %16s %16s\n' format kestrum-s sox-s "ratio(medians)" "median(ratios)"
for format in $formats; do
    ext=wav
    level=()
    [[ $format == flac* ]] && ext=flac
    [[ $format == flac-c5 ]] && level=(-C 5)
    input="$work/in-$format.$ext"
    generate "$format" "$input"
    kestrum=(
        "$tool" --quiet "${extra[@]}" --plugin "$bundle" --mode guitar "$input" "$work/out-k.$ext")
    sox=(sox "$input" "${level[@]}" "$work/out-s.$ext" highpass 20)
    # One untimed run each, so both start with the input in the page cache.
    elapsed "${kestrum[@]}" >/dev/null
    ((have_sox)) && elapsed "${sox[@]}" >/dev/null
    : >"$work/k" >"$work/s" >"$work/r"
    for ((run = 0; run < runs; run++)); do
        if ((have_sox && run % 2)); then
            s=$(elapsed "${sox[@]}")
            k=$(elapsed "${kestrum[@]}")
        else
            k=$(elapsed "${kestrum[@]}")
            s=$( ((have_sox)) && elapsed "${sox[@]}" || echo 0)
        fi
        echo "$k" >>"$work/k"
        echo "$s" >>"$work/s"
        divide "$s" "$k" >>"$work/r"
    done
    mk=$(median <"$work/k")
    ms=$(median <"$work/s")
    if ((have_sox)); then
        printf '%-7s %12.3f %12.3f %16.2f %16.2f\n' "$format" "$mk" "$ms" \
            "$(divide "$ms" "$mk")" "$(median <"$work/r")"
    else
        printf '%-7s %12.3f %12s %16s %16s\n' "$format" "$mk" "-" "(no sox)" "-"
    fi
    rm -f "$input" "$work"/out-*
done
echo "load after: $(uptime | sed 's/.*load average: //')"
