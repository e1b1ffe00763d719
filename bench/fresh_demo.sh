#!/usr/bin/env bash
# The README's first command as a new user meets it: on a clean Debian 12
# root with nothing but a copy of this checkout's committed tree, runs
# scripts/demo.sh as root and reports how long it took and how much it
# installed; then, in a second clean root, as a user without sudo, checks
# that it stops before changing anything and prints the apt-get line to run
# as root, naming the same packages.
#
#   bench/fresh_demo.sh [git-revision]     (default HEAD; needs root)
#
# The clean root is the one scripts/test-package.sh keeps in
# $KESTRUM_CHROOT_DIR (default /var/cache/kestrum-chroot), made here first
# when it is missing; every run works in a throw-away overlay of it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
revision=${1:-HEAD}
# cache, mirror, base; make_clean_root, unmount_and_remove_work
source "$root/scripts/cleanroot.sh"
say() { printf -- '--- %s\n' "$*"; }
fail() {
    printf 'FAIL fresh demo: %s\n' "$*" >&2
    exit 1
}
[[ $(id -u) -eq 0 ]] || fail "needs root (debootstrap, chroot, overlay mounts)"

make_clean_root

work=$(mktemp -d "$cache/demo.XXXXXX")
mounted=()
trap unmount_and_remove_work EXIT
git -C "$root" archive --format=tar --prefix=kestrum/ "$revision" >"$work/checkout.tar"

fresh_root() { # name: a clean overlay with /proc, the resolver and the checkout in /opt
    local dir="$work/$1"
    mkdir -p "$dir/upper" "$dir/work" "$dir/root"
    mount -t overlay overlay -o "lowerdir=$base,upperdir=$dir/upper,workdir=$dir/work" "$dir/root"
    mounted+=("$dir/root")
    mount -t proc proc "$dir/root/proc"
    mounted+=("$dir/root/proc")
    cp /etc/resolv.conf "$dir/root/etc/resolv.conf"
    tar -C "$dir/root/opt" -xf "$work/checkout.tar"
}
inside() { # name command...
    local dir="$work/$1"
    shift
    chroot "$dir/root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
        LANG=C.UTF-8 "$@"
}
count_packages() { inside "$1" dpkg-query -W -f='${db:Status-Abbrev}\n' | grep -c '^ii'; }
installed_kib() { # name: the Installed-Size of every package, added up
    inside "$1" dpkg-query -W -f='${Installed-Size}\n' | awk '{ s += $1 } END { print s }'
}

say "as root: scripts/demo.sh in a clean root ($(git -C "$root" rev-parse --short "$revision"))"
fresh_root asroot
packages_before=$(count_packages asroot)
kib_before=$(installed_kib asroot)
du_before=$(du -sxm "$work/asroot/root" | cut -f1)
load=$(cut -d' ' -f1-3 /proc/loadavg)
started=$SECONDS
TIMEFORMAT='%U %S'
cpu=$({ time inside asroot /opt/kestrum/scripts/demo.sh >"$work/demo.out" 2>&1; } 2>&1) || {
    cat "$work/demo.out"
    fail "scripts/demo.sh failed as root"
}
seconds=$((SECONDS - started))
cat "$work/demo.out"
# The logs outlive the throw-away root.
kept="$root/build-logs/fresh-demo"
rm -rf "$kept" && mkdir -p "$kept"
cp "$work/demo.out" "$work/asroot/root/opt/kestrum/build-logs/"* "$kept/"
grep -qF "(VST 3, /root/.vst3/Tavrek Kestrum.vst3)" "$work/demo.out" ||
    fail "the demo did not run through the plug-in installed in ~/.vst3"
log="$work/asroot/root/opt/kestrum/build-logs/setup.log"
packages_after=$(count_packages asroot)
kib_after=$(installed_kib asroot)
# Everything apt left behind, less its downloaded archives and the checkout.
inside asroot apt-get clean
du_after=$(du -sxm --exclude="$work/asroot/root/opt/kestrum" "$work/asroot/root" | cut -f1)
checkout=$(du -sxm "$work/asroot/root/opt/kestrum" | cut -f1)
printf 'RESULT demo as root: %d s (CPU: %s s user, %s s system; load average before: %s)\n' \
    "$seconds" ${cpu% *} ${cpu#* } "$load"
printf 'RESULT %d packages installed; %s\n' $((packages_after - packages_before)) \
    "$(grep -E '^(Need to get|After this operation|Fetched)' "$log" | tr '\n' ' ')"
printf 'RESULT Installed-Size added up: %d MB; du of the root less the checkout: %d MB -> %d MB (+%d MB); checkout with its build: %d MB\n' \
    $(((kib_after - kib_before) / 1024)) "$du_before" "$du_after" $((du_after - du_before)) "$checkout"
sed -n 's/^=== .*: apt-get update && apt-get install -y --no-install-recommends //p' "$log" |
    tr ' ' '\n' | sort >"$work/installed-as-root"

say "as a user without sudo: scripts/demo.sh in another clean root"
fresh_root asuser
inside asuser useradd --create-home newcomer
inside asuser chown -R newcomer: /opt/kestrum
status=0
inside asuser runuser -l newcomer -c /opt/kestrum/scripts/demo.sh </dev/null >"$work/user.out" 2>&1 ||
    status=$?
cat "$work/user.out"
((status != 0)) || fail "the demo went on without root or sudo"
line=$(sed -n 's/^ *\(apt-get update && apt-get install .*\)$/\1/p' "$work/user.out")
[[ -n $line ]] || fail "no apt-get line was printed"
sed 's/^apt-get update && apt-get install -y --no-install-recommends //' <<<"$line" |
    tr ' ' '\n' | sort >"$work/printed"
diff "$work/installed-as-root" "$work/printed" ||
    fail "the printed line names other packages than root's run installed"
[[ ! -e $work/asuser/root/opt/kestrum/build-logs && ! -e $work/asuser/root/opt/kestrum/build-demo ]] ||
    fail "the user's run changed the checkout before stopping"
printf 'RESULT user without sudo: exit %d before any change; the printed line names the %d packages root installed\n' \
    "$status" "$(wc -l <"$work/printed")"
