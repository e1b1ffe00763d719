#!/usr/bin/env bash
# Installs the Debian packages that building and testing Kestrum need, when
# they are missing. Safe to run again: it installs nothing that is present.
set -euo pipefail

packages=(
    build-essential cmake ninja-build ccache pkg-config git
    libgtest-dev libgmock-dev libbenchmark-dev
    juce-modules-source dpf-source
    libcairo2-dev libxcb1-dev libsndfile1-dev
    xvfb xauth xdotool x11-utils fonts-dejavu-core valgrind python3 python3-cairo
    clang libclang-rt-14-dev
    ardour
    lv2-dev liblilv-dev lilv-utils serdi sordi
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 python3-pefile nsis zip
    fonts-liberation fonts-wine
    imagemagick # screenshots of the Windows editor host at 192 DPI (tests/windows)
    debhelper dpkg-dev lintian debootstrap
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo=""
    if [[ $(id -u) -ne 0 ]]; then
        sudo="sudo"
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
