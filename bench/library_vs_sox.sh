#!/usr/bin/env bash
# kestrum-process on a folder of recordings against sox: a folder of FILES
# one-minute 48 kHz stereo 24-bit WAVs through `kestrum-process -j 2
# --output-dir`, a sequential `sox ... highpass 20` loop and two sox
# processes side by side (`xargs -P 2`), in alternating order so that a busy
# machine slows all alike; then one long file against `cp`, and the peak
# memory (/usr/bin/time -v) of -j 1 and -j 2 and of a short and a long file.
#
#   bench/library_vs_sox.sh [--build DIR] [--files N] [--runs N] [--long-seconds N]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
files=20
runs=3
long=600
while (($#)); do
    case "$1" in
    --build) build=$2; shift 2 ;;
    --files) files=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --long-seconds) long=$2; shift 2 ;;
    *) echo "unknown argument $1" >&2; exit 2 ;;
    esac
done

tool="$build/tools/kestrum-process"
bundle="$build/VST3/Tavrek Kestrum.vst3"
[[ -x "$tool" ]] || { echo "build $tool first" >&2; exit 1; }
command -v sox >/dev/null || { echo "sox is needed" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/out"

take() { # seconds file
    sox -n -r 48000 -c 2 -b 24 "$2" synth "$1" sine 220 sine 330 synth "$1" pinknoise mix \
        vol 0.4 dcshift 0.1
}
for ((i = 0; i < files; i++)); do take 60 "$work/in/take$i.wav"; done
take "$long" "$work/long.wav"

# elapsed, median
source "$root/bench/timing.sh"
divide() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

kestrum_batch() {
    "$tool" --quiet --force --plugin "$bundle" --mode guitar -j "$1" "$work"/in/*.wav \
        --output-dir "$work/out"
}
sox_loop() { for f in "$work"/in/*.wav; do sox "$f" "$work/out/$(basename "$f")" highpass 20; done; }
sox_pair() {
    printf '%s\n' "$work"/in/*.wav |
        xargs -P 2 -I{} sh -c 'sox "$1" "$2/$(basename "$1")" highpass 20' _ {} "$work/out"
}
export work

echo "load before: $(uptime | sed 's/.*load average: //')"
echo "folder: $files one-minute 48 kHz stereo 24-bit WAVs; $runs alternating runs each"
: >"$work/k" >"$work/s" >"$work/p"
for ((run = 0; run < runs; run++)); do
    elapsed kestrum_batch 2 >>"$work/k"
    elapsed sox_loop >>"$work/s"
    elapsed sox_pair >>"$work/p"
done
k=$(median <"$work/k")
s=$(median <"$work/s")
p=$(median <"$work/p")
printf '%-34s %8.2f s\n' "kestrum-process -j 2 --output-dir" "$k" "sox loop" "$s" \
    "sox, xargs -P 2" "$p"
echo "kestrum-process against the sox loop: $(divide "$s" "$k")x (goal 3x)," \
    "against two sox processes: $(divide "$p" "$k")x (goal 1.5x)"

echo "single file: ${long} s of 48 kHz stereo 24-bit, --no-analysis, against cp"
: >"$work/k" >"$work/c"
single() { "$tool" --quiet --no-analysis --plugin "$bundle" "$work/long.wav" "$work/long-out.wav"; }
elapsed single >/dev/null
for ((run = 0; run < runs; run++)); do
    elapsed single >>"$work/k"
    elapsed cp "$work/long.wav" "$work/long-copy.wav" >>"$work/c"
done
k=$(median <"$work/k")
c=$(median <"$work/c")
printf '%-34s %8.3f s\n%-34s %8.3f s\n' "kestrum-process" "$k" "cp" "$c"
echo "kestrum-process / cp: $(divide "$k" "$c") (goal at most 2)"

peak() { # command... ; prints the peak resident set in MB
    /usr/bin/time -v "$@" 2>&1 >/dev/null | awk '/Maximum resident/ { printf "%.1f", $6 / 1024 }'
}
if [[ -x /usr/bin/time ]]; then
    echo "peak memory: -j 1 $(peak "$tool" -q --force --plugin "$bundle" -j 1 "$work"/in/*.wav \
        --output-dir "$work/out") MB, -j 2 $(peak "$tool" -q --force --plugin "$bundle" -j 2 \
        "$work"/in/*.wav --output-dir "$work/out") MB;" \
        "one 60 s file $(peak "$tool" -q --plugin "$bundle" "$work/in/take0.wav" "$work/a.wav") MB," \
        "one ${long} s file $(peak "$tool" -q --plugin "$bundle" "$work/long.wav" "$work/b.wav") MB"
fi
echo "load after: $(uptime | sed 's/.*load average: //')"
