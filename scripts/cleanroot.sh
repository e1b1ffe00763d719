# The clean Debian 12 root that the package test and the fresh-demo bench
# share (sourced by both): one recipe, so the root either of them made is the
# one the other expects. The caller sets `say` and `fail`; `mounted` and
# `work` are the caller's list of mounts and its throw-away folder.

cache=${KESTRUM_CHROOT_DIR:-/var/cache/kestrum-chroot}
mirror=${KESTRUM_DEBIAN_MIRROR:-http://deb.debian.org/debian}
base="$cache/bookworm"

clean_root_ready() { [[ -e $base/.kestrum-root-ready ]]; }

# Makes the root in $base with debootstrap unless it is there already.
make_clean_root() {
    clean_root_ready && return 0
    say "making the clean Debian 12 root once, in $base"
    rm -rf --one-file-system "$base.partial"
    mkdir -p "$cache"
    # man-db is there so that the manual pages can be read.
    debootstrap --variant=minbase --include=man-db bookworm "$base.partial" "$mirror" \
        >"$cache/debootstrap.log" 2>&1 || {
        tail -20 "$cache/debootstrap.log"
        fail "debootstrap failed (log: $cache/debootstrap.log)"
    }
    rm -rf --one-file-system "$base"
    mv "$base.partial" "$base"
    touch "$base/.kestrum-root-ready"
}

# Unmounts what `mounted` lists, the last first, then removes `work`.
unmount_and_remove_work() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount "${mounted[i]}" 2>/dev/null || umount -l "${mounted[i]}" || true
    done
    # Never delete through a mount that is still there.
    if ! grep -qF " $work/" /proc/mounts; then
        rm -rf --one-file-system "$work"
    else
        echo "warning: $work is still mounted; left in place" >&2
    fi
}
