#!/usr/bin/env bash
# What loading the VST 3 module costs a host.
#
# Scan: dlopen, GetPluginFactory, read the class infos, release, dlclose, of
# Kestrum and of Debian's ZamEQ2 and ZamComp (zam-plugins), in alternating
# order in one process, so a busy machine slows all alike; each bundle's
# median and mean are printed. Then the same once per fresh process with
# hyperfine, when it is installed (a scanner that runs each module in a
# process of its own, as Ardour's does).
#
# Leaks (--valgrind): N cycles of load, create, start, process, stop,
# release and dlclose under valgrind, with the editor never opened and with
# it opened once (under xvfb-run); the leak summaries are printed.
#
#   bench/module_load.sh [--build DIR] [--rounds N] [--valgrind] [--cycles N]
#                        [--module BUNDLE]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
rounds=200
cycles=200
valgrind=0
module=""
while (($#)); do
    case "$1" in
    --build) build=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    --cycles) cycles=$2; shift 2 ;;
    --valgrind) valgrind=1; shift ;;
    --module) module=$2; shift 2 ;;
    *) echo "unknown option $1" >&2; exit 2 ;;
    esac
done
tool="$build/tests/kestrum-modulecycles"
[[ -n "$module" ]] || module="$build/VST3/Tavrek Kestrum.vst3"
[[ -x "$tool" ]] || { echo "build kestrum-modulecycles first: $tool" >&2; exit 1; }
zam=()
for name in ZamEQ2 ZamComp; do
    if [[ -d "/usr/lib/vst3/$name.vst3" ]]; then
        zam+=("/usr/lib/vst3/$name.vst3")
    else
        echo "(no /usr/lib/vst3/$name.vst3: apt-get install zam-plugins)" >&2
    fi
done

echo "== scan, $rounds rounds in one process"
"$tool" --scan --cycles "$rounds" "$module" "${zam[@]}"

if command -v hyperfine >/dev/null; then
    echo "== scan, one per process (hyperfine)"
    commands=()
    for bundle in "$module" "${zam[@]}"; do
        commands+=("$(printf '%q ' "$tool" --scan --cycles 1 "$bundle")")
    done
    hyperfine -N --warmup 5 --runs 100 --style basic "${commands[@]}" 2>&1 |
        grep -E "Benchmark|Time \(mean|±" || true
fi

if ((valgrind)); then
    leaks() {
        grep -E "in use at exit|definitely lost|indirectly lost|possibly lost|still reachable|no leaks are possible" |
            sed 's/^==[0-9]*== *//'
    }
    echo "== $cycles load cycles under valgrind, editor never opened"
    valgrind --leak-check=full --show-leak-kinds=definite,indirect,possible \
        "$tool" --cycles "$cycles" "$module" 2>&1 | leaks
    echo "== $cycles load cycles under valgrind, editor opened in the first"
    xvfb-run -a valgrind --leak-check=full --show-leak-kinds=definite,indirect,possible \
        "$tool" --cycles "$cycles" --editor "$module" 2>&1 | leaks
    echo "== the same, 20 cycles (what stays is a one-time cost if it matches)"
    xvfb-run -a valgrind --leak-check=full --show-leak-kinds=definite,indirect,possible \
        "$tool" --cycles 20 --editor "$module" 2>&1 | leaks
fi
