#!/usr/bin/env bash
# Builds the Debian package and proves it on a clean Debian 12 root: lintian
# finds nothing, `apt-get install ./kestrum_*.deb` pulls only the runtime
# dependencies, the installed tools use the system-wide plug-in, the manual
# page renders, Ardour's scanners accept the installed plug-in, and removing
# the package leaves nothing of it behind.
#
# The clean root is made once with debootstrap and kept in
# $KESTRUM_CHROOT_DIR (default /var/cache/kestrum-chroot); every run works in
# a throw-away overlay (or copy) of it, so the kept root stays clean.
# Where no chroot is possible (not root, no debootstrap) it says so and skips.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${KESTRUM_PACKAGE_DIR:-$root/build-deb}
# cache, mirror, base; make_clean_root, unmount_and_remove_work
source "$root/scripts/cleanroot.sh"
started=$SECONDS
"$root/scripts/setup.sh" package

say() { printf -- '--- %s\n' "$*"; }
fail() {
    printf 'FAIL package test: %s\n' "$*" >&2
    exit 1
}
lap() { # name start
    printf '    (%s: %d s)\n' "$1" $((SECONDS - $2))
}

# --- The package -----------------------------------------------------------
t=$SECONDS
say "building the package"
mkdir -p "$out"
if ! "$root/scripts/build-package.sh" "$out" >"$out/build.log" 2>&1; then
    tail -40 "$out/build.log"
    fail "the package build failed (log: $out/build.log)"
fi
# A dependency dpkg-shlibdeps calls useless would be one too many.
if grep -E 'dpkg-shlibdeps: warning' "$out/build.log"; then
    fail "dpkg-shlibdeps warns about the dependencies"
fi
deb=$(ls "$out"/kestrum_*_amd64.deb)
dbgsym=$(ls "$out"/kestrum-dbgsym_*_amd64.deb)
lap build $t

say "contents of $(basename "$deb")"
dpkg -c "$deb"
contents=$(dpkg -c "$deb")
for path in "./usr/lib/vst3/Tavrek Kestrum.vst3/Contents/x86_64-linux/Tavrek Kestrum.so" \
    "./usr/lib/vst/TK Kestrum VST2.so" ./usr/lib/lv2/kestrum.lv2/manifest.ttl \
    ./usr/lib/lv2/kestrum.lv2/kestrum.ttl ./usr/lib/clap/Kestrum.clap ./usr/bin/kestrum-process ./usr/bin/kestrum-response \
    ./usr/share/man/man1/kestrum-process.1.gz ./usr/share/man/man1/kestrum-response.1.gz \
    ./usr/share/doc/kestrum/changelog.gz ./usr/share/doc/kestrum/copyright; do
    grep -qF " $path" <<<"$contents" || fail "the package lacks $path"
done
grep -qE ' \./usr/share/doc/kestrum/README(\.md)?(\.gz)?$' <<<"$contents" ||
    fail "the package lacks the README"
say "sizes: $(basename "$deb") $(stat -c %s "$deb") bytes, Installed-Size" \
    "$(dpkg-deb -f "$deb" Installed-Size) KiB; $(basename "$dbgsym") $(stat -c %s "$dbgsym") bytes"
say "Depends: $(dpkg-deb -f "$deb" Depends)"

t=$SECONDS
say "lintian"
# Every warning is either fixed or overridden with a reason in debian/.
lintian_ok=1
lintian --fail-on error,warning -EvI --pedantic --show-overrides "$deb" "$dbgsym" \
    >"$out/lintian.log" 2>&1 || lintian_ok=0
grep -v 'running with root privileges' "$out/lintian.log" || true
((lintian_ok)) || fail "lintian reports errors or warnings"
say "lintian: no errors, no warnings"
lap lintian $t

# --- The clean root --------------------------------------------------------
if [[ $(id -u) -ne 0 ]]; then
    echo "SKIP clean-root test: it needs root for debootstrap and chroot"
    exit 0
fi
if ! command -v debootstrap >/dev/null; then
    echo "SKIP clean-root test: debootstrap is not installed"
    exit 0
fi

t=$SECONDS
clean_root_ready && say "reusing the clean Debian 12 root in $base"
make_clean_root
lap "clean root" $t

work=$(mktemp -d "$cache/run.XXXXXX")
chroot_dir="$work/root"
mounted=()
trap unmount_and_remove_work EXIT
mkdir -p "$work/upper" "$work/work" "$chroot_dir"
if mount -t overlay overlay \
    -o "lowerdir=$base,upperdir=$work/upper,workdir=$work/work" "$chroot_dir" 2>/dev/null; then
    mounted+=("$chroot_dir")
    say "working in an overlay over the clean root"
else
    cp -a "$base/." "$chroot_dir/"
    say "working in a copy of the clean root (overlayfs is not available)"
fi
if ! chroot "$chroot_dir" /bin/true 2>/dev/null; then
    echo "SKIP clean-root test: chroot is not permitted here"
    exit 0
fi
if mount -t proc proc "$chroot_dir/proc" 2>/dev/null; then
    mounted+=("$chroot_dir/proc")
else
    say "no /proc in the root (mounting is not permitted); going on without"
fi
cp /etc/resolv.conf "$chroot_dir/etc/resolv.conf"
cp "$deb" "$chroot_dir/tmp/"

inside() {
    chroot "$chroot_dir" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
        LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"
}
# Every file and folder of the root, less the ones apt, dpkg and man keep
# their records and caches in.
file_list() {
    inside find / -xdev \( -path /var/cache -o -path /var/lib/apt -o -path /var/lib/dpkg \
        -o -path /var/log -o -path /tmp -o -path /run -o -path /proc \) -prune -o -print |
        sort
}
packages() { inside dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' | awk '$1 == "ii" { print $2 }' | sort; }

t=$SECONDS
say "apt-get update in the clean root"
inside apt-get update -qq
lap "apt-get update" $t

t=$SECONDS
file_list >"$work/files-before"
packages >"$work/packages-before"
say "apt-get install ./$(basename "$deb")"
inside sh -c "cd /tmp && apt-get install -y -q ./$(basename "$deb")" >"$work/install.log" 2>&1 || {
    cat "$work/install.log"
    fail "apt-get install failed"
}
grep -E '^(The following|Suggested|Recommended|  |[0-9]+ upgraded)' "$work/install.log" || true
packages >"$work/packages-after"
comm -13 "$work/packages-before" "$work/packages-after" >"$work/pulled"
say "pulled in: $(grep -vx kestrum "$work/pulled" | tr '\n' ' ')"
# Exactly the runtime dependencies: everything new is kestrum or something
# its Depends need, directly or not.
inside apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
    --no-replaces --no-enhances kestrum | awk '/^[a-z0-9]/ { print $1 }' | sort -u >"$work/closure"
extra=$(comm -23 "$work/pulled" "$work/closure")
[[ -z $extra ]] || fail "apt-get pulled packages kestrum does not depend on: $extra"
if grep -E -- '-dev$|^(gcc|g\+\+|cmake|ninja-build|make)$' "$work/pulled"; then
    fail "a build tool or development package came with the package"
fi
inside dpkg -L kestrum | sort >"$work/ours"
lap install $t

t=$SECONDS
say "kestrum-process on its demo signal, as root with no plug-in of its own"
inside kestrum-process | tee "$work/process.out"
grep -qF '(VST 3, /usr/lib/vst3/Tavrek Kestrum.vst3)' "$work/process.out" ||
    fail "kestrum-process did not use the system-wide VST 3 plug-in"
# The demo's offsets are gone: every DC figure after is below 1e-4.
awk '/^[0-9]+ / { n++; if ($3 < -1e-4 || $3 > 1e-4) bad++ } END { exit !(n == 2 && !bad) }' \
    "$work/process.out" || fail "the figures after processing still show a DC offset"
inside kestrum-process --vst2 >"$work/process-vst2.out"
head -1 "$work/process-vst2.out"
grep -qF '(VST 2, /usr/lib/vst/TK Kestrum VST2.so)' "$work/process-vst2.out" ||
    fail "kestrum-process --vst2 did not use the system-wide VST 2 module"
inside kestrum-response --output /tmp/response.png | tee "$work/response.out"
grep -qF 'plug-in: /usr/lib/vst3/Tavrek Kestrum.vst3' "$work/response.out" ||
    fail "kestrum-response did not use the system-wide plug-in"
[[ -s $chroot_dir/tmp/response.png ]] || fail "kestrum-response wrote no picture"
lap tools $t

say "man kestrum-process"
inside env MANPAGER=cat MANWIDTH=80 man kestrum-process >"$work/man.out" 2>&1 ||
    { cat "$work/man.out"; fail "man kestrum-process failed"; }
head -8 "$work/man.out"
grep -qE 'kestrum-process +- +remove DC offset' "$work/man.out" || fail "the manual page did not render"
inside env MANPAGER=cat man kestrum-response | grep -qE 'kestrum-response +- +plot' ||
    fail "man kestrum-response did not render"

t=$SECONDS
scanner=/usr/lib/ardour7/ardour-vst3-scanner
if [[ -x $scanner ]]; then
    say "Ardour's scanners on the plug-in installed in the clean root"
    for kind in vst3 vst; do
        if [[ $kind == vst3 ]]; then
            module="$chroot_dir/usr/lib/vst3/Tavrek Kestrum.vst3" program=ardour-vst3-scanner
        else
            module="$chroot_dir/usr/lib/vst/TK Kestrum VST2.so" program=ardour-vst-scanner
        fi
        mkdir -p "$work/ardour-$kind"
        LD_LIBRARY_PATH=/usr/lib/ardour7 XDG_CACHE_HOME="$work/ardour-$kind" \
            "/usr/lib/ardour7/$program" -f "$module" >"$work/ardour-$kind.log" 2>&1 || true
        found=$(cat "$work/ardour-$kind"/ardour7/vst/* 2>/dev/null | grep -o 'name="Tavrek Kestrum VST3"' | head -1 || true)
        [[ -n $found ]] || {
            cat "$work/ardour-$kind.log"
            fail "$program did not list the plug-in in ${module#"$chroot_dir"}"
        }
        say "$program: $found from ${module#"$chroot_dir"}"
    done
else
    say "Ardour is not installed here: its scanners were not run"
fi
if command -v lv2ls >/dev/null; then
    lv2=$(LV2_PATH="$chroot_dir/usr/lib/lv2" lv2ls)
    [[ $lv2 == *kestrum* ]] || fail "lv2ls found no plug-in in /usr/lib/lv2 of the clean root"
    say "lv2ls on /usr/lib/lv2 of the clean root: $lv2"
fi
lap "ardour scanners" $t

t=$SECONDS
say "apt-get remove kestrum"
inside apt-get remove -y -q kestrum >"$work/remove.log" 2>&1 || {
    cat "$work/remove.log"
    fail "apt-get remove failed"
}
left=()
while IFS= read -r path; do
    # Folders shared with other packages stay; anything that is ours goes.
    [[ -e $chroot_dir$path && ! -d $chroot_dir$path ]] && left+=("$path")
    [[ -d $chroot_dir$path && $path == *[Kk]estrum* ]] && left+=("$path/")
done <"$work/ours"
((${#left[@]} == 0)) || fail "left behind after remove: ${left[*]}"
say "nothing of the $(wc -l <"$work/ours") paths of the package is left"
# With no configuration files the package is gone already; its
# dependencies go with autoremove, purged.
inside dpkg --purge kestrum >"$work/purge.log" 2>&1 &&
    inside apt-get autoremove --purge -y -q >>"$work/purge.log" 2>&1 || {
    cat "$work/purge.log"
    fail "purging kestrum and its dependencies failed"
}
grep -E '^[0-9]+ upgraded' "$work/purge.log" || true
file_list >"$work/files-after"
if ! diff "$work/files-before" "$work/files-after"; then
    fail "the root differs from before the install (above)"
fi
packages >"$work/packages-purged"
diff "$work/packages-before" "$work/packages-purged" || fail "packages differ after purge"
say "after the purge and autoremove the root has the same files and packages as before the install"
lap remove $t

printf 'PASS package test (%d s)\n' $((SECONDS - started))
