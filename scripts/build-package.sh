#!/usr/bin/env bash
# Builds the Debian package (debian/, dpkg-buildpackage) from this checkout
# into ./build-deb, or the folder given: kestrum_<version>_amd64.deb and its
# -dbgsym package. The unit tests are left out of the package build (the
# test command runs them on their own); KESTRUM_PACKAGE_TESTS=1 keeps them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$root/build-deb}" && cd "${1:-$root/build-deb}" && pwd)

profiles=nocheck
[[ ${KESTRUM_PACKAGE_TESTS:-0} == 1 ]] && profiles=""
# The build dependencies from debian/control, when any is missing.
if ! (cd "$root" && dpkg-checkbuilddeps ${profiles:+-P "$profiles"}) 2>/dev/null; then
    # shellcheck source=scripts/asroot.sh disable=SC2154
    source "$root/scripts/asroot.sh"
    as_root_or_explain "apt-get update && apt-get build-dep -y ${profiles:+-P $profiles }$root/"
    log="$out/build-dep.log"
    echo "Installing the package's build dependencies (log: $log)"
    { "${as_root[@]}" apt-get update -q && "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get build-dep -y -q \
        ${profiles:+-P "$profiles"} "$root/"; } >"$log" 2>&1 || {
        tail -15 "$log" >&2
        echo "build-package.sh: apt-get build-dep failed; the whole log is in $log" >&2
        exit 1
    }
fi

# A copy of the sources at a fixed place: dpkg-buildpackage builds in the
# source folder and writes the packages next to it, and the fixed path lets
# ccache reuse the previous build's objects.
version=$(sed -n 's/^project(Kestrum VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
src="$out/kestrum-$version"
rm -rf "$src" "$out"/kestrum_* "$out"/kestrum-dbgsym_*
mkdir -p "$src"
if git -C "$root" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git -C "$root" ls-files -z --cached --others --exclude-standard |
        tar -C "$root" --null -T - --ignore-failed-read -cf - | tar -C "$src" -xf -
else
    tar -C "$root" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$src" -xf -
fi

options="$profiles ${DEB_BUILD_OPTIONS:-}"
if command -v ccache >/dev/null; then
    # debhelper gives the build a HOME of its own: keep the usual cache.
    export CCACHE_DIR=${CCACHE_DIR:-$(ccache -k cache_dir)}
fi
(cd "$src" && DEB_BUILD_OPTIONS="$options" dpkg-buildpackage -us -uc -b -J"$(nproc)" \
    ${profiles:+-P"$profiles"})
ls -l "$out"/*.deb
