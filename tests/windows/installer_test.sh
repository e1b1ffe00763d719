#!/usr/bin/env bash
# The NSIS installer run silently under Wine (/S): the bundle lands in
# %CommonProgramFiles%\VST3, the VST 2 DLL in %ProgramFiles%\VSTPlugins or
# the folder given with /D=, both equal to the built DLL, Kestrum.clap in
# %CommonProgramFiles%\CLAP; the uninstaller removes them again.
# usage: installer_test.sh SETUP.EXE BUILT.DLL WINE-RUNNER [BUILT.CLAP]
set -euo pipefail
setup=$1 dll=$2 run=$3 clap=${4:-}
prefix=${KESTRUM_WINEPREFIX:-${TMPDIR:-/tmp}/kestrum-wineprefix-$(id -u)}
programs="$prefix/drive_c/Program Files"
bundle_dll="$programs/Common Files/VST3/Tavrek Kestrum.vst3/Contents/x86_64-win/Tavrek Kestrum.vst3"
failures=0
check() { # description command...
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

install_and_remove() { # vst2-folder-in-unix vst2-folder-for-/D (empty: default)
    local vst2_dir=$1 d_option=()
    [[ -n $2 ]] && d_option=("/D=$2")
    "$run" "$setup" /S "${d_option[@]}"
    check "bundle installed" cmp -s "$dll" "$bundle_dll"
    check "VST 2 DLL installed in $vst2_dir" cmp -s "$dll" "$vst2_dir/TK Kestrum VST2.dll"
    [[ -z $clap ]] || check "CLAP plug-in installed" cmp -s "$clap" "$programs/Common Files/CLAP/Kestrum.clap"
    check "uninstaller installed" test -f "$programs/Tavrek/Kestrum/Uninstall.exe"
    # The uninstaller copies itself away and starts the copy: wait for
    # every program of the prefix to end.
    "$run" 'C:\Program Files\Tavrek\Kestrum\Uninstall.exe' /S
    WINEPREFIX=$prefix wineserver -w
    check "bundle removed" test ! -e "$programs/Common Files/VST3/Tavrek Kestrum.vst3"
    check "CLAP plug-in removed" test ! -e "$programs/Common Files/CLAP/Kestrum.clap"
    check "VST 2 DLL removed" test ! -e "$vst2_dir/TK Kestrum VST2.dll"
    check "empty VST 2 folder removed" test ! -e "$vst2_dir"
    check "program folder removed" test ! -e "$programs/Tavrek"
}

install_and_remove "$programs/VSTPlugins" ""
# Wine quotes an argument with spaces, which /D= does not allow for.
install_and_remove "$prefix/drive_c/Audio/Plugins64" 'C:\Audio\Plugins64'
((failures == 0))
