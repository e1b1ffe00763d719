#!/usr/bin/env bash
# scripts/setup.sh against stand-ins for id, dpkg-query, sudo and apt-get
# (nothing else is on PATH): who installs what, and that a user who is
# neither root nor able to use sudo gets the apt-get line and no change.
set -euo pipefail
source_root=$(cd "$(dirname "$0")/../.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0 passed=0

mkdir -p "$tmp/bin" "$tmp/checkout/scripts"
cp "$source_root/scripts/setup.sh" "$source_root/scripts/asroot.sh" "$tmp/checkout/scripts/"
for tool in bash cat date dirname env mkdir tail; do
    ln -s "$(command -v "$tool")" "$tmp/bin/$tool"
done
# Whether the words hold the word, as 1 or 0.
holds() { [[ " $1 " == *" $2 "* ]] && echo 1 || echo 0; }
stub() { printf '#!%s\n%s\n' "$(command -v bash)" "$2" >"$tmp/bin/$1" && chmod +x "$tmp/bin/$1"; }
stub id '[[ $1 == -u ]] && echo "$STUB_UID" || echo tester'
stub dpkg-query 'for p in $STUB_INSTALLED; do [[ ${*: -1} == "$p" ]] && { printf "install ok installed"; exit 0; }; done; exit 1'
stub apt-get 'echo "${STUB_VIA:-direct} apt-get $*" >>"$STUB_CALLS"; exit "${STUB_APT_STATUS:-0}"'
sudo_stub='[[ $* == "-n true" ]] && exit "$STUB_SUDO_N"; STUB_VIA=sudo exec "$@"'

# name | uid | sudo (none, refuses, allows) | installed | apt status | purpose | exit | calls | output
cases=(
    "no sudo|1000|none|cmake g++|0|demo|1|0|apt-get update && apt-get install -y --no-install-recommends ninja-build"
    "sudo refuses, no terminal|1000|refuses||0|suite|1|0|--no-install-recommends g++ cmake"
    "passwordless sudo|1000|allows|cmake|0|demo|0|2|done in"
    "root|0|none||0|windows|0|2|done in"
    "nothing missing|1000|none|ALL|0|demo|0|0|"
    "apt fails|0|none||100|demo|1|1|the whole log is in $tmp/checkout/build-logs/setup.log"
)
for row in "${cases[@]}"; do
    IFS='|' read -r name uid sudo installed apt_status purpose want_exit want_calls want_out <<<"$row"
    rm -f "$tmp/bin/sudo" "$tmp/calls"
    rm -rf "$tmp/checkout/build-logs"
    [[ $sudo == none ]] || stub sudo "$sudo_stub"
    if [[ $installed == ALL ]]; then
        installed=$(sed -n '/^demo=(/,/^)/p' "$tmp/checkout/scripts/setup.sh" | sed '1d;$d' | tr '\n' ' ')
    fi
    status=0
    env -i PATH="$tmp/bin" STUB_UID="$uid" STUB_INSTALLED="$installed" STUB_CALLS="$tmp/calls" \
        STUB_APT_STATUS="$apt_status" STUB_SUDO_N="$([[ $sudo == allows ]] && echo 0 || echo 1)" \
        bash "$tmp/checkout/scripts/setup.sh" "$purpose" </dev/null >"$tmp/out" 2>&1 || status=$?
    calls=$(cat "$tmp/calls" 2>/dev/null || true)
    problems=()
    ((status == want_exit)) || problems+=("exit $status, not $want_exit")
    (($(grep -c . <<<"$calls") == want_calls)) || problems+=("apt-get ran $(grep -c . <<<"$calls") times")
    if [[ -n $want_out ]]; then
        grep -qF -- "$want_out" "$tmp/out" || problems+=("no '$want_out' in the output")
    else
        [[ ! -s $tmp/out ]] || problems+=("printed something")
    fi
    case $name in
    "no sudo" | "sudo refuses"*)
        # Stopped before doing anything; only this purpose's missing packages.
        [[ ! -e $tmp/checkout/build-logs ]] || problems+=("made build-logs")
        line=$(grep -F 'apt-get install' "$tmp/out" || true)
        [[ $name != "no sudo" || $(holds "$line" cmake) == 0 ]] || problems+=("names an installed package")
        [[ $(holds "$line" ardour) == $(holds suite "$purpose") ]] || problems+=("ardour for $purpose: $line")
        ;;
    "passwordless sudo" | root)
        via=$([[ $uid == 0 ]] && echo direct || echo sudo)
        [[ $(head -1 <<<"$calls") == "$via apt-get update -q" ]] || problems+=("update: $calls")
        install=$(tail -1 <<<"$calls")
        [[ $install == "$via apt-get install -y -q --no-install-recommends "* ]] ||
            problems+=("install: $install")
        [[ $uid == 0 || $(holds "$install" cmake) == 0 ]] || problems+=("reinstalls cmake")
        [[ $(holds "$install" wine64) == $(holds windows "$purpose") ]] || problems+=("wine for $purpose")
        ;;
    esac
    if ((${#problems[@]})); then
        failures=$((failures + 1))
        printf 'FAIL %s: %s\n' "$name" "${problems[*]}"
        sed 's/^/    /' "$tmp/out"
    else
        passed=$((passed + 1))
    fi
done
echo "$passed passed, $failures failed"
((failures == 0))
